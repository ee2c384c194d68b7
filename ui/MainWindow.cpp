#include "ui/MainWindow.h"

#include "Common/Exception.h"
#include "Common/PerformanceCounter.h"
#include "Common/TextHelpers.h"
#include "Common/ui/ErrorReporter.h"
#include "app/ErrorBox.h"
#include "app/MainModel.h"
#include "app/PluginCatalog.h"
#include "resources/resource.h"
#include "ui/AboutBox.h"
#include "ui/SelectProcessorDialog.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <cstring>
#include <string>

namespace TavixCapture
{

namespace
{
constexpr wchar_t PlacementSection[] = L"MainWindow";
constexpr int PaneWidth = 200; // status bar panes, at 96 DPI
constexpr int RecordingPaneWidth = 420;
constexpr int RecordingPane = 3;
// The banner's picture (bitmap 129) at 96 DPI.
constexpr int BannerWidth = 200;
constexpr int BannerHeight = 25;
constexpr UINT FpsMilliseconds = 1000;
// The least window size at 96 DPI.
constexpr int MinimumWidth = 320;
constexpr int MinimumHeight = 240;
// How often a close waits behind dialogs that are asked to close.
constexpr int MaximumCloseAttempts = 20;

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
      preview_(model_, options.IsDebugMessageEnabled), sidePane_(model_),
      frequency_(Common::PerformanceFrequency()), frameRate_(frequency_)
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
    window.ReportUnsavedSettings();
}

void MainWindow::ReportUnsavedSettings() const
{
    if (!saveFailed_)
    {
        return;
    }
    // A file marked read-only is kept as it is on purpose: nothing to say.
    const std::wstring& path = model_.GetProfile().GetPath();
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
    {
        return;
    }
    std::wstring text = L"設定を保存できませんでした。次回は前回までの設定で起動します。\n" + path;
    if (saveFailure_ != ERROR_SUCCESS)
    {
        text += L"\n" + Common::Exception(HRESULT_FROM_WIN32(saveFailure_), L"MainWindow", __LINE__).Message;
    }
    ErrorBox::Show(nullptr, std::make_exception_ptr(Common::Exception(text, L"MainWindow", __LINE__)),
                   options_.IsDebugMessageEnabled);
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
    const UINT dpi = GetDpiForWindow(GetSafeHwnd());
    ApplyScale(dpi != 0 ? dpi : USER_DEFAULT_SCREEN_DPI);
    statusBar_.SetPaneText(0, L"FPS = 0");
    deviceChanges_.onChanged = [this]
    {
        try
        {
            model_.RefreshDevices();
        }
        catch (...)
        {
            ReportException(GetSafeHwnd(), std::current_exception());
        }
    };
    try
    {
        deviceChanges_.Register(GetSafeHwnd());
    }
    catch (const Common::Exception&)
    {
        // The list stays as it was read at start; everything else works.
        OutputDebugStringW(L"TavixCapture: camera arrivals and removals cannot be followed.\n");
    }
    Layout();
    statusBar_.Show(SW_HIDE);

    model_.AddListener(this);
    LoadPlacement();

    frameRate_.Start(Common::PerformanceCounter(), model_.GetDeliveredFrameCount(),
                     preview_.GetFramesShown());
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
    // Also when every plug-in was left out: the dialog says why.
    if (model_.GetProcessorEntries().size() > 1 || !model_.GetPluginCatalog().GetLeftOut().empty())
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
    case WM_DEVICECHANGE:
        deviceChanges_.OnDeviceChange(wParam, lParam);
        result = TRUE;
        return true;
    case WM_CLOSE:
        // Sent on its own (not through the system menu): the same close.
        Close();
        result = 0;
        return true;
    case WM_DPICHANGED:
    {
        // Moved to a monitor of another scale: the suggested rectangle keeps
        // the window's place and size in the new scale.
        ApplyScale(HIWORD(wParam));
        const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
        if (suggested != nullptr)
        {
            SetWindowPos(GetSafeHwnd(), nullptr, suggested->left, suggested->top,
                         suggested->right - suggested->left, suggested->bottom - suggested->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
        }
        Layout();
        result = 0;
        return true;
    }
    case WM_GETMINMAXINFO:
    {
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        const SIZE minimum = MinimumSize();
        limits->ptMinTrackSize.x = std::max(limits->ptMinTrackSize.x, minimum.cx);
        limits->ptMinTrackSize.y = std::max(limits->ptMinTrackSize.y, minimum.cy);
        result = 0;
        return true;
    }
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
        static_cast<void>(SavePlacement()); // a failure is told at closing
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
        Close();
        break;
    default:
        break;
    }
}

void MainWindow::Close()
{
    // A dialog of this window is still open (the about box, the processor
    // choice, a file dialog, a box; the task bar or the system can ask to
    // close while one runs): it is closed first, as its cancel, and the
    // window follows once the dialog's loop has ended, so that nothing is
    // left on the screen and capture and recording stop with the window.
    struct Search
    {
        HWND owner;
        int found;
    } search = {GetSafeHwnd(), 0};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM context) -> BOOL
        {
            auto& search = *reinterpret_cast<Search*>(context);
            wchar_t className[16] = {};
            if (IsWindowVisible(window) == FALSE || GetClassNameW(window, className, 16) == 0 ||
                std::wcscmp(className, L"#32770") != 0)
            {
                return TRUE;
            }
            for (HWND owner = GetWindow(window, GW_OWNER); owner != nullptr;
                 owner = GetWindow(owner, GW_OWNER))
            {
                if (owner == search.owner)
                {
                    ++search.found;
                    PostMessageW(window, WM_CLOSE, 0, 0);
                    break;
                }
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (search.found == 0)
    {
        closeAttempts_ = 0;
        EndDialog(IDCANCEL);
        return;
    }
    // Asked again behind the dialogs' close: their loops end first. A dialog
    // that will not close keeps the window open, as a modal dialog should.
    if (++closeAttempts_ <= MaximumCloseAttempts)
    {
        PostMessageW(GetSafeHwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    else
    {
        closeAttempts_ = 0;
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
    if (deviceChanges_.OnTimer(id))
    {
        return true;
    }
    if (id != FpsTimerId)
    {
        return false;
    }
    UpdateFrameRate(Common::PerformanceCounter());
    return true;
}

void MainWindow::UpdateFrameRate(std::int64_t counter)
{
    if (frameRate_.Update(counter, model_.GetDeliveredFrameCount(), preview_.GetFramesShown()))
    {
        const std::wstring notice = model_.GetCaptureNotice();
        statusBar_.SetPaneText(0, notice.empty() ? frameRate_.GetText() : notice);
    }
    ShowRecordingStatus();
}

void MainWindow::ShowCameraRemoval()
{
    // An unplugged camera is told in the status bar and the preview, with
    // no box in the way: everything else goes on working meanwhile.
    try
    {
        if (model_.TakeCameraRemoval())
        {
            ShowRecordingStatus();
        }
    }
    catch (...)
    {
        ReportException(GetSafeHwnd(), std::current_exception());
    }
    const std::wstring notice = model_.GetCaptureNotice();
    statusBar_.SetPaneText(0, notice.empty() ? frameRate_.GetText() : notice);
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
        // A stream that ended by itself says why, once.
        if (const std::exception_ptr failure = model_.TakeCaptureFailure())
        {
            ReportException(GetSafeHwnd(), failure);
        }
        ShowCameraRemoval();
        break;
    }
    case PropertyId::Frame:
    {
        // The platform makes timer messages wait behind paints; while frames
        // keep the preview painting, the rate is taken here once a second.
        const std::int64_t counter = Common::PerformanceCounter();
        if (frameRate_.IsDue(counter - frequency_ / 5))
        {
            UpdateFrameRate(counter);
        }
        break;
    }
    case PropertyId::IsRecording:
        ShowRecordingStatus();
        if (const std::exception_ptr failure = model_.TakeRecordingFailure())
        {
            // The recording ended by itself: the user hears why, once.
            Common::Mfc::ErrorReporter::Post(GetSafeHwnd(), failure);
        }
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
    // The delivery thread may be writing the next frame: the pixel is copied.
    if (!model_.GetCurrentDevice().CopyLatestFrame(cursorPixel_, {position.x, position.y, 1, 1}))
    {
        return;
    }
    const std::uint8_t* bgr = cursorPixel_.pixels.data();
    statusBar_.SetPaneText(2, L"R = " + Common::ToDecimalText(bgr[2]) + L", G = " +
                                  Common::ToDecimalText(bgr[1]) + L", B = " + Common::ToDecimalText(bgr[0]));
}

// ---- placement ----

WINDOWPLACEMENT MainWindow::PlacementToKeep(WINDOWPLACEMENT placement, SIZE minimum)
{
    // Minimised is no way to start: the window comes back as it was before.
    if (placement.showCmd == SW_SHOWMINIMIZED || placement.showCmd == SW_MINIMIZE ||
        placement.showCmd == SW_SHOWMINNOACTIVE || placement.showCmd == SW_FORCEMINIMIZE)
    {
        placement.showCmd =
            (placement.flags & WPF_RESTORETOMAXIMIZED) != 0 ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
    }
    // A rectangle too small to use (a caption alone) is widened from its corner.
    RECT& normal = placement.rcNormalPosition;
    if (normal.right - normal.left < minimum.cx)
    {
        normal.right = normal.left + minimum.cx;
    }
    if (normal.bottom - normal.top < minimum.cy)
    {
        normal.bottom = normal.top + minimum.cy;
    }
    return placement;
}

SIZE MainWindow::MinimumSize() const
{
    // Room for the banner with its buttons and some picture, at the window's scale.
    return {Scaled(MinimumWidth), Scaled(MinimumHeight)};
}

int MainWindow::Scaled(int pixels) const
{
    return MulDiv(pixels, static_cast<int>(dpi_), USER_DEFAULT_SCREEN_DPI);
}

void MainWindow::ApplyScale(UINT dpi)
{
    if (dpi == 0)
    {
        return;
    }
    dpi_ = dpi;
    // The banner's picture at the scale (the control takes its size, and
    // the buttons and the preview take their height and top from it).
    const HANDLE banner = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_BANNER), IMAGE_BITMAP,
                                     Scaled(BannerWidth), Scaled(BannerHeight), LR_CREATEDIBSECTION);
    Common::Mfc::ThrowLastErrorIf(banner == nullptr);
    const auto previous = reinterpret_cast<HGDIOBJ>(
        banner_.SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(banner)));
    if (previous != nullptr && previous != banner)
    {
        DeleteObject(previous);
    }
    statusBar_.SetPanes(
        {Scaled(PaneWidth), Scaled(PaneWidth), Scaled(PaneWidth), Scaled(RecordingPaneWidth)});
    sidePane_.SetDpi(dpi);
}

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
    SetWindowPlacement(PlacementToKeep(placement, MinimumSize()));
}

bool MainWindow::SavePlacement()
{
    const IniProfile& profile = model_.GetProfile();
    WINDOWPLACEMENT placement = PlacementToKeep(GetWindowPlacement(), MinimumSize());
    // The ten keys are one change of the file: all of them or none.
    SetLastError(ERROR_SUCCESS);
    IniProfile::Transaction transaction(profile);
    bool written = profile.WriteInt(PlacementSection, L"WindowPlacementFlags",
                                    static_cast<std::int32_t>(placement.flags)) &&
                   profile.WriteInt(PlacementSection, L"WindowPlacementShowCmd",
                                    static_cast<std::int32_t>(placement.showCmd));
    for (std::size_t i = 0; i < std::size(CoordinateKeys) && written; ++i)
    {
        written = profile.WriteInt(PlacementSection, CoordinateKeys[i], *Coordinate(placement, i));
    }
    if (written && transaction.Commit())
    {
        return true;
    }
    // Why the file could not be changed, as the platform last said (nothing
    // when a write failed without a platform error).
    saveFailed_ = true;
    saveFailure_ = GetLastError();
    return false;
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
    // A placement that could not be saved is told once the window is gone (Run).
    static_cast<void>(SavePlacement());
    if (failure)
    {
        std::rethrow_exception(failure);
    }
    return false;
}

} // namespace TavixCapture
