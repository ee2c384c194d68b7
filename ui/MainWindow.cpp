#include "ui/MainWindow.h"

#include "Common/Exception.h"
#include "Common/PerformanceCounter.h"
#include "Common/TextHelpers.h"
#include "Common/ui/ErrorReporter.h"
#include "app/ErrorBox.h"
#include "app/MainModel.h"
#include "resources/resource.h"
#include "ui/AboutBox.h"
#include "ui/SelectProcessorDialog.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace TavixCapture
{

namespace
{
constexpr wchar_t PlacementSection[] = L"MainWindow";
constexpr int PaneWidth = 200;
constexpr int RecordingPaneWidth = 420;
constexpr int RecordingPane = 3;
constexpr UINT FpsMilliseconds = 1000;

MainModel& Require(MainModel* model)
{
    if (model == nullptr)
    {
        throw Common::Exception(static_cast<HRESULT>(E_POINTER), L"MainWindow", __LINE__);
    }
    return *model;
}

std::wstring LoadText(UINT id)
{
    const wchar_t* text = nullptr;
    // With a zero buffer size the platform hands out the text in place; a
    // missing string gives 0 and the empty text.
    const int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
}

// The eight coordinates of a placement, after the flags and the show
// command, in the order they are written.
constexpr const wchar_t* CoordinateKeys[] = {
    L"WindowPlacementMinPositionX",        L"WindowPlacementMinPositionY",
    L"WindowPlacementMaxPositionX",        L"WindowPlacementMaxPositionY",
    L"WindowPlacementNormalPositionLeft",  L"WindowPlacementNormalPositionTop",
    L"WindowPlacementNormalPositionRight", L"WindowPlacementNormalPositionBottom",
};

LONG* Coordinate(WINDOWPLACEMENT& placement, std::size_t index)
{
    LONG* const fields[] = {&placement.ptMinPosition.x,        &placement.ptMinPosition.y,
                            &placement.ptMaxPosition.x,        &placement.ptMaxPosition.y,
                            &placement.rcNormalPosition.left,  &placement.rcNormalPosition.top,
                            &placement.rcNormalPosition.right, &placement.rcNormalPosition.bottom};
    return fields[index];
}
} // namespace

MainWindow::MainWindow(MainModel* model, const StartupOptions& options)
    : Dialog(IDD_MAINWINDOW), model_(Require(model)), options_(options),
      preview_(model_, options.IsDebugMessageEnabled), sidePane_(model_, options.IsDebugMessageEnabled)
{
}

MainWindow::~MainWindow()
{
    DestroyWindow();
}

void MainWindow::Run(MainModel& model, const StartupOptions& options)
{
    const bool withLocation = options.IsDebugMessageEnabled;
    Common::Mfc::ErrorReporter::SetPresenter([withLocation](HWND owner, const std::exception_ptr& error)
                                             { ErrorBox::Show(owner, error, withLocation); });
    MainWindow window(&model, options);
    window.DoModal(nullptr);
}

// ---- initialisation ----

BOOL MainWindow::OnInitDialog()
{
    banner_.Attach(GetDlgItem(IDC_BANNER));
    previewFrame_.Attach(GetDlgItem(IDC_PREVIEW_FRAME));
    captureButton_.AttachItem(*this, IDC_CAPTURE);
    sidePaneButton_.AttachItem(*this, IDC_SIDEPANE_TOGGLE);

    AppendSystemMenuItems();
    SetIcons();

    preview_.Create(previewFrame_.GetSafeHwnd(), previewFrame_.GetClientRect());
    sidePane_.Create(GetSafeHwnd(), RECT{0, 0, 0, 0});

    statusBar_.Create(GetSafeHwnd());
    statusBar_.SetPanes({PaneWidth, PaneWidth, PaneWidth, RecordingPaneWidth});
    statusBar_.SetPaneText(0, L"FPS = 0");
    Layout();
    statusBar_.Show(SW_HIDE);

    model_.AddListener(this);
    LoadPlacement();

    frequency_ = Common::PerformanceFrequency();
    lastCounter_ = Common::PerformanceCounter();
    SetTimer(FpsTimerId, FpsMilliseconds);
    fpsTimer_ = FpsTimerId;
    return TRUE;
}

void MainWindow::AppendSystemMenuItems()
{
    const HMENU menu = GetSystemMenu(GetSafeHwnd(), FALSE);
    if (menu == nullptr)
    {
        return;
    }
    const auto append = [menu](UINT command, const std::wstring& text)
    {
        if (text.empty())
        {
            return;
        }
        Common::Mfc::ThrowLastErrorIf(AppendMenuW(menu, MF_SEPARATOR, 0, nullptr) == FALSE);
        Common::Mfc::ThrowLastErrorIf(AppendMenuW(menu, MF_STRING, command, text.c_str()) == FALSE);
    };
    if (model_.GetProcessorEntries().size() > 1)
    {
        append(SelectProcessorCommand, LoadText(IDS_SELECT_PROCESSOR));
    }
    append(AboutCommand, LoadText(IDS_ABOUTBOX));
}

void MainWindow::SetIcons()
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    largeIcon_ =
        static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_SHARED));
    Common::Mfc::ThrowLastErrorIf(largeIcon_ == nullptr);
    smallIcon_ = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                               LR_SHARED));
    Common::Mfc::ThrowLastErrorIf(smallIcon_ == nullptr);
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon_));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
}

// ---- layout ----

void MainWindow::Layout()
{
    if (banner_.GetSafeHwnd() == nullptr || previewFrame_.GetSafeHwnd() == nullptr ||
        preview_.GetSafeHwnd() == nullptr || statusBar_.GetSafeHwnd() == nullptr ||
        sidePane_.GetSafeHwnd() == nullptr)
    {
        return;
    }
    const RECT client = GetClientRect();
    const int cw = client.right;
    const int ch = client.bottom;

    int sbh = 0;
    if (model_.GetIsStatusBarVisible())
    {
        const RECT bar = statusBar_.GetWindowRect();
        sbh = bar.bottom - bar.top;
        statusBar_.MoveWindow(0, ch - sbh, cw, sbh);
    }
    int spw = 0;
    if (model_.GetIsSidePaneVisible())
    {
        const RECT pane = sidePane_.GetWindowRect();
        spw = pane.right - pane.left;
        sidePane_.MoveWindow(cw - spw, 0, spw, ch - sbh);
    }
    const RECT bannerRect = banner_.GetWindowRect();
    const int bh = bannerRect.bottom - bannerRect.top;

    const RECT toggle = sidePaneButton_.GetRectInParent();
    const int toggleWidth = toggle.right - toggle.left;
    sidePaneButton_.MoveWindow(cw - spw - toggleWidth, toggle.top, toggleWidth, bh);

    const RECT capture = captureButton_.GetRectInParent();
    const int captureWidth = capture.right - capture.left;
    captureButton_.MoveWindow(cw - spw - toggleWidth - captureWidth, capture.top, captureWidth, bh);

    const RECT frame = previewFrame_.GetRectInParent();
    previewFrame_.MoveWindow(frame.left, bh, cw - frame.left - spw, ch - bh - sbh);

    const RECT inside = previewFrame_.GetClientRect();
    preview_.MoveWindow(0, 0, inside.right, inside.bottom);
}

bool MainWindow::OnSize(UINT, int, int)
{
    Layout();
    return false;
}

// ---- messages ----

bool MainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message)
    {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == AboutCommand || (wParam & 0xFFF0) == SelectProcessorCommand ||
            (wParam & 0xFFF0) == SC_CLOSE)
        {
            OnSystemCommand(static_cast<UINT>(wParam & 0xFFF0));
            result = 0;
            return true;
        }
        return false;
    case WM_CLOSE:
        // Sent on its own (not through the system menu): the same close.
        EndDialog(IDCANCEL);
        result = 0;
        return true;
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<LRESULT>(largeIcon_);
        return true;
    case WM_QUERYENDSESSION:
        // The session may end once this returns: the movie so far and the
        // settings are put on disk now, and recording goes on.
        OnEndSession(false);
        result = TRUE;
        return true;
    case WM_ENDSESSION:
        // The process may be ended as soon as this returns.
        if (wParam != FALSE)
        {
            OnEndSession(true);
        }
        result = 0;
        return true;
    case WM_MOUSEWHEEL:
    {
        // The wheel goes to the focused control; the preview zooms when the
        // pointer is over it, wherever the focus is.
        const POINT screen = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        const HWND under = WindowFromPoint(screen);
        if (under != nullptr && under == preview_.GetSafeHwnd())
        {
            result = ::SendMessageW(under, message, wParam, lParam);
            return true;
        }
        return false;
    }
    default:
        return Dialog::OnMessage(message, wParam, lParam, result);
    }
}

void MainWindow::OnEndSession(bool ending) noexcept
{
    model_.EndSession(ending);
    try
    {
        SavePlacement();
    }
    catch (...)
    {
        OutputDebugStringW(L"TavixCapture: the window placement could not be saved.\n");
    }
    ShowRecordingStatus();
}

void MainWindow::OnSystemCommand(UINT command)
{
    switch (command)
    {
    case AboutCommand:
    {
        AboutBox about(options_.CaptureApiFamily);
        about.DoModal(GetSafeHwnd());
        break;
    }
    case SelectProcessorCommand:
    {
        SelectProcessorDialog dialog(model_);
        dialog.DoModal(GetSafeHwnd());
        break;
    }
    case SC_CLOSE:
        EndDialog(IDCANCEL);
        break;
    default:
        break;
    }
}

bool MainWindow::OnCommand(int id, int code, HWND control)
{
    if (code == BN_CLICKED && id == IDC_CAPTURE)
    {
        ToggleCapture();
        return true;
    }
    if (code == BN_CLICKED && id == IDC_SIDEPANE_TOGGLE)
    {
        model_.SetIsSidePaneVisible(!model_.GetIsSidePaneVisible());
        return true;
    }
    return Dialog::OnCommand(id, code, control);
}

void MainWindow::ToggleCapture()
{
    try
    {
        if (model_.GetCurrentDevice().IsOpened())
        {
            model_.StopCapture();
        }
        else
        {
            model_.StartCapture();
        }
    }
    catch (...)
    {
        Common::Mfc::ErrorReporter::ShowNow(Common::Mfc::ErrorReporter::UserAction::StartStopCapture,
                                            GetSafeHwnd(), std::current_exception());
    }
}

bool MainWindow::OnPaint()
{
    if (IsIconic(GetSafeHwnd()) == FALSE)
    {
        return false;
    }
    PAINTSTRUCT paint = {};
    const HDC dc = BeginPaint(GetSafeHwnd(), &paint);
    Common::Mfc::ThrowLastErrorIf(dc == nullptr);
    const RECT client = GetClientRect();
    const int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, largeIcon_);
    EndPaint(GetSafeHwnd(), &paint);
    return true;
}

// ---- frame rate ----

bool MainWindow::OnTimer(UINT_PTR id)
{
    if (id != FpsTimerId)
    {
        return false;
    }
    UpdateFrameRate(Common::PerformanceCounter());
    return true;
}

void MainWindow::UpdateFrameRate(std::int64_t counter)
{
    const std::int64_t elapsed = counter - lastCounter_;
    const std::uint64_t shown = preview_.GetFramesShown();
    framesPerSecond_ = elapsed != 0 ? static_cast<double>(shown - framesShownBefore_) /
                                          (static_cast<double>(elapsed) / static_cast<double>(frequency_))
                                    : 0.0;
    framesShownBefore_ = shown;
    wchar_t rate[64] = {};
    std::swprintf(rate, std::size(rate), L"%f", framesPerSecond_);
    statusBar_.SetPaneText(0, std::wstring(L"FPS = ") + rate);
    lastCounter_ = counter;
    ShowRecordingStatus();
}

void MainWindow::ShowRecordingStatus()
{
    statusBar_.SetPaneText(RecordingPane, Recorder::FormatStatus(model_.GetRecordingStatus()));
}

// ---- model notifications ----

void MainWindow::OnPropertyChanged(std::int32_t id)
{
    switch (static_cast<PropertyId>(id))
    {
    case PropertyId::IsCapturing:
    {
        const bool opened = model_.GetCurrentDevice().IsOpened();
        captureButton_.SetCheck(opened ? BST_CHECKED : BST_UNCHECKED);
        captureButton_.SetWindowText(opened ? L"停止" : L"取り込み");
        break;
    }
    case PropertyId::Frame:
    {
        // The platform makes timer messages wait behind paints; while frames
        // keep the preview painting, the rate is taken here once a second.
        const std::int64_t counter = Common::PerformanceCounter();
        if (counter - lastCounter_ >= frequency_ + frequency_ / 10)
        {
            UpdateFrameRate(counter);
        }
        break;
    }
    case PropertyId::IsRecording:
        ShowRecordingStatus();
        break;
    case PropertyId::IsSidePaneVisible:
        if (model_.GetIsSidePaneVisible())
        {
            sidePaneButton_.SetWindowText(L">");
            sidePaneButton_.SetCheck(BST_CHECKED);
            Layout();
            sidePane_.Slide(true, AW_HOR_NEGATIVE, true);
            if (model_.GetControlPanelPage() != 0)
            {
                sidePane_.Invalidate();
            }
        }
        else
        {
            sidePane_.Slide(false, AW_HOR_POSITIVE);
            Layout();
            sidePaneButton_.SetWindowText(L"<");
            sidePaneButton_.SetCheck(BST_UNCHECKED);
            // The buttons move into the strip the pane uncovered; repaint
            // them there (Wine leaves the slid-out pane's last image behind).
            ::RedrawWindow(GetSafeHwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        }
        break;
    case PropertyId::IsStatusBarVisible:
        if (model_.GetIsStatusBarVisible())
        {
            Layout();
            statusBar_.Slide(true, AW_VER_NEGATIVE);
        }
        else
        {
            statusBar_.Slide(false, AW_VER_POSITIVE);
            Layout();
        }
        break;
    case PropertyId::IsCursorInImage:
        if (model_.GetIsCursorInImage())
        {
            // Back over the image at the pixel it left: the position did not
            // change, so no position notification comes to fill the panes.
            ShowCursorPosition();
            ShowCursorPixel();
        }
        else
        {
            statusBar_.SetPaneText(1, L"");
            statusBar_.SetPaneText(2, L"");
        }
        break;
    case PropertyId::CursorPosition:
        if (model_.GetIsCursorInImage())
        {
            ShowCursorPosition();
        }
        break;
    case PropertyId::CursorPixel:
        if (model_.GetIsCursorInImage())
        {
            ShowCursorPixel();
        }
        break;
    default:
        break;
    }
}

void MainWindow::ShowCursorPosition()
{
    const POINT position = model_.GetCursorPosition();
    statusBar_.SetPaneText(1, L"X = " + Common::ToDecimalText(position.x) + L", Y = " +
                                  Common::ToDecimalText(position.y));
}

void MainWindow::ShowCursorPixel()
{
    const POINT position = model_.GetCursorPosition();
    Common::Device& device = model_.GetCurrentDevice();
    std::uint8_t bgr[3] = {};
    {
        // The delivery thread may be writing the next frame: read under its lock.
        Common::AutoLock lock(device.frameLock);
        const Common::FrameBuffer& frame = device.frame;
        if (position.x < 0 || position.y < 0 || position.x >= frame.width || position.y >= frame.height)
        {
            return;
        }
        std::memcpy(bgr,
                    frame.pixels.data() +
                        static_cast<std::size_t>(frame.stride) * static_cast<std::size_t>(position.y) +
                        static_cast<std::size_t>(position.x) * 4,
                    3);
    }
    statusBar_.SetPaneText(2, L"R = " + Common::ToDecimalText(bgr[2]) + L", G = " +
                                  Common::ToDecimalText(bgr[1]) + L", B = " + Common::ToDecimalText(bgr[0]));
}

// ---- placement ----

void MainWindow::LoadPlacement()
{
    const IniProfile& profile = model_.GetProfile();
    const std::int32_t flags = profile.ReadInt(PlacementSection, L"WindowPlacementFlags", -1);
    const std::int32_t showCommand = profile.ReadInt(PlacementSection, L"WindowPlacementShowCmd", -1);
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    for (std::size_t i = 0; i < std::size(CoordinateKeys); ++i)
    {
        *Coordinate(placement, i) = profile.ReadInt(PlacementSection, CoordinateKeys[i], -1);
    }
    if (flags == -1)
    {
        return;
    }
    placement.flags = static_cast<UINT>(flags);
    placement.showCmd = static_cast<UINT>(showCommand);
    SetWindowPlacement(placement);
}

void MainWindow::SavePlacement()
{
    const IniProfile& profile = model_.GetProfile();
    WINDOWPLACEMENT placement = GetWindowPlacement();
    const auto write = [&profile](const wchar_t* key, std::int32_t value)
    {
        if (!profile.WriteInt(PlacementSection, key, value))
        {
            throw Common::Exception(static_cast<HRESULT>(E_UNEXPECTED), L"MainWindow", __LINE__);
        }
    };
    write(L"WindowPlacementFlags", static_cast<std::int32_t>(placement.flags));
    write(L"WindowPlacementShowCmd", static_cast<std::int32_t>(placement.showCmd));
    for (std::size_t i = 0; i < std::size(CoordinateKeys); ++i)
    {
        write(CoordinateKeys[i], *Coordinate(placement, i));
    }
}

// ---- destroy ----

bool MainWindow::OnDestroy()
{
    if (fpsTimer_ != 0)
    {
        KillTimer(fpsTimer_);
        fpsTimer_ = 0;
    }
    // Every step runs even when one before it failed, so that the model never
    // keeps this window as a listener; the first error is reported.
    std::exception_ptr failure;
    const auto step = [&failure](const auto& action)
    {
        try
        {
            action();
        }
        catch (...)
        {
            if (!failure)
            {
                failure = std::current_exception();
            }
        }
    };
    step([this] { model_.StopCapture(); });
    // A movie being recorded is finalised before the placement is saved.
    step([this] { model_.StopRecording(); });
    model_.RemoveListener(this);
    step([this] { SavePlacement(); });
    if (failure)
    {
        std::rethrow_exception(failure);
    }
    return false;
}

} // namespace TavixCapture
