#include "ui/SidePane.h"

#include "app/MainModel.h"

#include <algorithm>
#include <vector>

namespace TavixCapture
{

namespace
{
// The direct child windows of `parent`.
std::vector<HWND> ChildWindows(HWND parent)
{
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
    {
        children.push_back(child);
    }
    return children;
}
} // namespace

SidePane::SidePane(MainModel& model) : model_(model), header_(model), controlPanel_(model), cameraPage_(model)
{
}

SidePane::~SidePane()
{
    // While this class still exists, so that OnDestroy unregisters.
    DestroyWindow();
}

void SidePane::Create(HWND parent, const RECT& rect)
{
    CreateEx(WS_EX_CONTROLPARENT, L"TavixSidePane", L"", WS_CHILD | WS_CLIPCHILDREN, rect, parent, 0);
    header_.Create(GetSafeHwnd());
    controlPanel_.Create(GetSafeHwnd());
    cameraPage_.Create(GetSafeHwnd());
    const RECT page = controlPanel_.GetWindowRect();
    const RECT header = header_.GetWindowRect();
    naturalSize_ = {page.right - page.left, page.bottom - page.top + header.bottom - header.top};
    const UINT dpi = GetDpiForWindow(GetSafeHwnd());
    createdDpi_ = dpi != 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
    MoveWindow(rect.left, rect.top, naturalSize_.cx, naturalSize_.cy, false);
    Layout();
    model_.AddListener(this);
    registered_ = true;
}

void SidePane::SetDpi(UINT dpi)
{
    if (GetSafeHwnd() == nullptr || dpi == 0)
    {
        return;
    }
    const RECT pane = GetRectInParent();
    MoveWindow(pane.left, pane.top,
               MulDiv(naturalSize_.cx, static_cast<int>(dpi), static_cast<int>(createdDpi_)),
               MulDiv(naturalSize_.cy, static_cast<int>(dpi), static_cast<int>(createdDpi_)));
}

HWND SidePane::GetPageWindow() const
{
    return pageWindow_ != nullptr && ::IsChild(GetSafeHwnd(), pageWindow_) != FALSE ? pageWindow_ : nullptr;
}

bool SidePane::OnDestroy()
{
    if (registered_)
    {
        model_.RemoveListener(this);
        registered_ = false;
    }
    return false;
}

bool SidePane::OnSize(UINT, int, int)
{
    Layout();
    return false;
}

void SidePane::OnPropertyChanged(std::int32_t id)
{
    switch (static_cast<PropertyId>(id))
    {
    case PropertyId::Processor:
        OnProcessorChanged();
        break;
    case PropertyId::ControlPanelPage:
        ShowPage();
        break;
    default:
        break;
    }
}

void SidePane::OnProcessorChanged()
{
    // The previous page belongs to the previous processor, which destroys it.
    pageWindow_ = nullptr;
    Tavix::Framework::IProcessor* processor = model_.GetCurrentProcessor();
    if (processor != nullptr)
    {
        // The page is known by its window handle only, the child window the
        // call made: the plug-in's window object is never read here.
        const std::vector<HWND> before = ChildWindows(GetSafeHwnd());
        Common::Mfc::Window* page = nullptr;
        const HRESULT result = processor->CreatePage(this, &page);
        if (page != nullptr)
        {
            for (const HWND child : ChildWindows(GetSafeHwnd()))
            {
                if (std::find(before.begin(), before.end(), child) == before.end())
                {
                    pageWindow_ = child;
                }
            }
        }
        Common::ThrowIfFailed(result);
    }
    const HWND page = GetPageWindow();
    if (page == nullptr && model_.GetControlPanelPage() == 1)
    {
        model_.SetControlPanelPage(0);
    }
    Layout();
    // The new processor's page takes the place of the old one, which its
    // processor destroyed: while the processor page is shown, the new page
    // must be shown too, as no change of the page number will come.
    ShowPage();
}

void SidePane::ShowPage()
{
    const std::int32_t shown = model_.GetControlPanelPage();
    const HWND page = GetPageWindow();
    controlPanel_.Show(shown == 0 ? SW_SHOW : SW_HIDE);
    cameraPage_.Show(shown == 2 ? SW_SHOW : SW_HIDE);
    if (page != nullptr)
    {
        ::ShowWindow(page, shown == 1 ? SW_SHOW : SW_HIDE);
    }
}

void SidePane::Layout()
{
    if (GetSafeHwnd() == nullptr)
    {
        return;
    }
    const HWND page = GetPageWindow();
    int top = 0;
    // The processor's button only while it has a page.
    if (header_.GetSafeHwnd() != nullptr)
    {
        header_.Show(SW_SHOW);
        header_.ShowProcessorPage(page != nullptr);
        const RECT header = header_.GetWindowRect();
        header_.MoveWindow(0, 0, header.right - header.left, header.bottom - header.top);
        top = header.bottom - header.top;
    }
    const RECT client = GetClientRect();
    const int width = client.right;
    const int height = std::max(0, static_cast<int>(client.bottom) - top);
    if (controlPanel_.GetSafeHwnd() != nullptr)
    {
        controlPanel_.MoveWindow(0, top, width, height);
    }
    if (cameraPage_.GetSafeHwnd() != nullptr)
    {
        cameraPage_.MoveWindow(0, top, width, height);
    }
    if (page != nullptr)
    {
        Common::Mfc::ThrowLastErrorIf(::MoveWindow(page, 0, top, width, height, TRUE) == FALSE);
    }
}

} // namespace TavixCapture
