#include "ui/SidePane.h"

#include "resources/resource.h"

namespace TavixCapture
{

SidePane::SidePane(MainModel& model) : model_(model), controlPanel_(IDD_CONTROLPANEL) {}

SidePane::~SidePane()
{
    DestroyWindow();
}

void SidePane::Create(HWND parent, const RECT& rect)
{
    static_cast<void>(model_);
    CreateEx(WS_EX_CONTROLPARENT, L"TavixSidePane", L"", WS_CHILD | WS_CLIPCHILDREN, rect, parent, 0);
    controlPanel_.Create(GetSafeHwnd());
    const RECT page = controlPanel_.GetWindowRect();
    MoveWindow(0, 0, page.right - page.left, page.bottom - page.top, false);
    controlPanel_.Show(SW_SHOW);
    Layout();
}

bool SidePane::OnSize(UINT, int, int)
{
    Layout();
    return false;
}

void SidePane::Layout()
{
    if (controlPanel_.GetSafeHwnd() == nullptr)
    {
        return;
    }
    const RECT client = GetClientRect();
    controlPanel_.MoveWindow(0, 0, client.right, client.bottom);
}

} // namespace TavixCapture
