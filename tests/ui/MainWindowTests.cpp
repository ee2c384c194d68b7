// The main window as a user meets it: created from its template on the
// screen, driven with real mouse input and messages, checked through its
// controls, its status bar, the model and the configuration file.
#include "UiFixture.h"

#include "Common/UniqueHandle.h"
#include "resources/resource.h"
#include "ui/MainWindow.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdio>
#include <string>

using TavixCapture::MainWindow;
using TavixCapture::PropertyId;

namespace
{

class MainWindowTest : public UiModelTest
{
protected:
    void Open()
    {
        Create();
        UiTest::Settle();
    }
    void Create()
    {
        model = MakeModel();
        window = std::make_unique<MainWindow>(model.get(), options);
        window->Create(nullptr);
        ShowWindow(window->GetSafeHwnd(), SW_SHOW);
    }
    void Close()
    {
        window.reset();
        UiTest::Pump();
    }
    void TearDown() override
    {
        Close();
        model.reset();
    }
    HWND Item(int id) const { return GetDlgItem(window->GetSafeHwnd(), id); }
    // A child's rectangle in the main window's client coordinates.
    RECT RectOf(HWND child) const
    {
        RECT rect = {};
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, window->GetSafeHwnd(), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
    RECT Client() const
    {
        RECT rect = {};
        GetClientRect(window->GetSafeHwnd(), &rect);
        return rect;
    }
    std::wstring Pane(int index) { return window->GetStatusBar().GetPaneText(index); }
    std::wstring Text(HWND control) const
    {
        wchar_t text[128] = {};
        GetWindowTextW(control, text, 128);
        return text;
    }
    void Click(HWND control)
    {
        RECT rect = {};
        GetClientRect(control, &rect);
        const POINT centre = {rect.right / 2, rect.bottom / 2};
        UiTest::MouseMove(control, centre);
        UiTest::MouseDown(control, centre);
        UiTest::MouseUp(control, centre);
    }

    TavixCapture::StartupOptions options;
    std::unique_ptr<TavixCapture::MainModel> model;
    std::unique_ptr<MainWindow> window;
};

// A message box of this thread, found and answered from inside its own loop.
struct BoxWatch
{
    static inline std::wstring title;
    static inline std::wstring text;
    static void CALLBACK Look(HWND, UINT, UINT_PTR timer, DWORD)
    {
        const HWND box = FindWindowW(L"#32770", L"エラー");
        if (box == nullptr)
        {
            return;
        }
        KillTimer(nullptr, timer);
        wchar_t buffer[256] = {};
        GetWindowTextW(box, buffer, 256);
        title = buffer;
        GetDlgItemTextW(box, 0xFFFF, buffer, 256);
        text = buffer;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
};

struct CloseScript
{
    static void CALLBACK Step(HWND, UINT, UINT_PTR timer, DWORD)
    {
        const HWND window = FindWindowW(L"#32770", L"Tavix Capture");
        if (window == nullptr || !IsWindowVisible(window))
        {
            return;
        }
        KillTimer(nullptr, timer);
        SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
        SendMessageW(window, WM_COMMAND, IDOK, 0);
        stillOpen = IsWindow(window) != FALSE;
        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    static inline bool stillOpen = false;
};

} // namespace

TEST_F(MainWindowTest, StatusBarShowsFrameRateAndThePixelUnderThePointer)
{
    Create();
    EXPECT_EQ(Pane(0), L"FPS = 0");
    EXPECT_EQ(window->GetStatusBar().GetPaneCount(), 3);
    UiTest::Settle();

    // A second without frames.
    SendMessageW(window->GetSafeHwnd(), WM_TIMER, MainWindow::FpsTimerId, 0);
    EXPECT_EQ(Pane(0), L"FPS = 0.000000");

    // Thirty frames shown over the measured time since the last tick (each
    // painted before the next is announced).
    LARGE_INTEGER frequency = {};
    LARGE_INTEGER before = {};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&before);
    const std::uint64_t shownBefore = window->GetPreview().GetFramesShown();
    for (std::uint64_t i = 1; i <= 30; ++i)
    {
        model->Raise(static_cast<std::int32_t>(PropertyId::Frame));
        ASSERT_TRUE(
            UiTest::PumpUntil([&] { return window->GetPreview().GetFramesShown() == shownBefore + i; }));
        // Taken back by the preview once nothing else waits.
        UiTest::Settle();
    }
    LARGE_INTEGER after = {};
    QueryPerformanceCounter(&after);
    SendMessageW(window->GetSafeHwnd(), WM_TIMER, MainWindow::FpsTimerId, 0);
    const std::wstring text = Pane(0);
    ASSERT_EQ(text.substr(0, 6), L"FPS = ");
    double rate = 0.0;
    ASSERT_EQ(std::swscanf(text.c_str() + 6, L"%lf", &rate), 1);
    EXPECT_EQ(text.size() - text.find(L'.'), 7u) << "six decimals";
    const double longest = static_cast<double>(after.QuadPart - before.QuadPart + frequency.QuadPart) /
                           static_cast<double>(frequency.QuadPart);
    EXPECT_GT(rate, 30.0 / longest);

    // Pixel (12, 7) with B = 10, G = 20, R = 30, at 400 % scrolled to the
    // image's top-left corner: its block starts at the view's corner.
    camera->SetPixel(12, 7, 0xFF1E140Au);
    model->SetViewRatio(400);
    UiTest::Settle();
    const HWND preview = window->GetPreview().GetSafeHwnd();
    SendMessageW(preview, WM_HSCROLL, SB_TOP, 0);
    SendMessageW(preview, WM_VSCROLL, SB_TOP, 0);
    UiTest::MouseMove(preview, {12 * 4 + 2, 7 * 4 + 2});
    EXPECT_EQ(Pane(1), L"X = 12, Y = 7");
    EXPECT_EQ(Pane(2), L"R = 30, G = 20, B = 10");

    // Off the image (over the banner): both blank.
    UiTest::MouseMove(Item(IDC_BANNER), {5, 5});
    EXPECT_TRUE(UiTest::PumpUntil([this] { return Pane(1).empty(); }));
    EXPECT_EQ(Pane(2), L"");

    // Back onto the same pixel: the read-out comes back.
    UiTest::MouseMove(preview, {12 * 4 + 2, 7 * 4 + 2});
    EXPECT_EQ(Pane(1), L"X = 12, Y = 7");
    EXPECT_EQ(Pane(2), L"R = 30, G = 20, B = 10");
}

TEST_F(MainWindowTest, FrameRateKeepsComingWhilePaintsHoldBackTheTimer)
{
    Open();
    // Frames keep the preview painting, and timer messages only come when
    // nothing else waits: handle everything but them for a second and more.
    const ULONGLONG end = GetTickCount64() + 1300;
    int frames = 0;
    while (GetTickCount64() < end)
    {
        model->Raise(static_cast<std::int32_t>(PropertyId::Frame));
        ++frames;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, WM_TIMER - 1, PM_REMOVE) ||
               PeekMessageW(&message, nullptr, WM_TIMER + 1, 0xFFFFFFFF, PM_REMOVE))
        {
            DispatchMessageW(&message);
        }
    }
    double rate = 0.0;
    ASSERT_EQ(std::swscanf(Pane(0).c_str(), L"FPS = %lf", &rate), 1) << testing::PrintToString(Pane(0));
    EXPECT_GT(rate, 0.0);
    EXPECT_LT(rate, frames / 1.0);
}

TEST_F(MainWindowTest, LayoutFollowsTheSidePaneAndTheStatusBar)
{
    Open();
    const HWND frame = Item(IDC_PREVIEW_FRAME);
    const HWND capture = Item(IDC_CAPTURE);
    const HWND toggle = Item(IDC_SIDEPANE_TOGGLE);
    const HWND bar = window->GetStatusBar().GetSafeHwnd();
    const HWND pane = window->GetSidePane().GetSafeHwnd();

    // At start: status bar shown, side pane hidden.
    ASSERT_TRUE(IsWindowVisible(bar));
    EXPECT_FALSE(IsWindowVisible(pane));
    RECT client = Client();
    EXPECT_EQ(RectOf(toggle).right, client.right);
    EXPECT_EQ(RectOf(capture).right, RectOf(toggle).left);
    EXPECT_EQ(RectOf(frame).bottom, RectOf(bar).top);
    EXPECT_EQ(RectOf(bar).bottom, client.bottom);
    EXPECT_EQ(RectOf(frame).right, client.right);
    const RECT bannerRect = RectOf(Item(IDC_BANNER));
    EXPECT_EQ(RectOf(frame).top, bannerRect.bottom - bannerRect.top);
    EXPECT_EQ(RectOf(toggle).bottom - RectOf(toggle).top, bannerRect.bottom - bannerRect.top);
    // The preview fills the frame's inside.
    RECT inside = {};
    GetClientRect(frame, &inside);
    RECT previewRect = {};
    GetWindowRect(window->GetPreview().GetSafeHwnd(), &previewRect);
    EXPECT_EQ(previewRect.right - previewRect.left, inside.right);
    EXPECT_EQ(previewRect.bottom - previewRect.top, inside.bottom);

    // Side pane shown, by its button: the buttons hug its left edge.
    Click(toggle);
    EXPECT_TRUE(UiTest::PumpUntil([&] { return IsWindowVisible(pane) != FALSE; }));
    UiTest::Settle();
    EXPECT_TRUE(model->GetIsSidePaneVisible());
    EXPECT_EQ(Text(toggle), L">");
    EXPECT_EQ(SendMessageW(toggle, BM_GETCHECK, 0, 0), BST_CHECKED);
    const RECT paneRect = RectOf(pane);
    EXPECT_EQ(paneRect.right, client.right);
    EXPECT_EQ(paneRect.top, 0);
    EXPECT_EQ(paneRect.bottom, RectOf(bar).top);
    EXPECT_GT(paneRect.right - paneRect.left, 100);
    EXPECT_EQ(RectOf(toggle).right, paneRect.left);
    EXPECT_EQ(RectOf(capture).right, RectOf(toggle).left);
    EXPECT_EQ(RectOf(frame).right, paneRect.left);

    // Status bar hidden: the preview and the side pane reach the bottom edge.
    model->SetIsStatusBarVisible(false);
    EXPECT_TRUE(UiTest::PumpUntil([&] { return IsWindowVisible(bar) == FALSE; }));
    UiTest::Settle();
    EXPECT_EQ(RectOf(frame).bottom, client.bottom);
    EXPECT_EQ(RectOf(pane).bottom, client.bottom);

    // Side pane hidden again: the buttons return to the right edge.
    Click(toggle);
    EXPECT_TRUE(UiTest::PumpUntil([&] { return IsWindowVisible(pane) == FALSE; }));
    UiTest::Settle();
    EXPECT_EQ(Text(toggle), L"<");
    EXPECT_EQ(SendMessageW(toggle, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(RectOf(toggle).right, client.right);
    EXPECT_EQ(RectOf(frame).right, client.right);

    // Resizing the window lays out again.
    SetWindowPos(window->GetSafeHwnd(), nullptr, 0, 0, 900, 700, SWP_NOMOVE | SWP_NOZORDER);
    UiTest::Settle();
    client = Client();
    EXPECT_EQ(RectOf(toggle).right, client.right);
    EXPECT_EQ(RectOf(frame).bottom, client.bottom);
}

TEST_F(MainWindowTest, CaptureButtonFollowsTheModelAndShowsAFailureInTheErrorBox)
{
    Open();
    const HWND capture = Item(IDC_CAPTURE);
    EXPECT_EQ(Text(capture), L"取り込み");
    Click(capture);
    EXPECT_TRUE(camera->IsOpened());
    EXPECT_TRUE(UiTest::PumpUntil([&] { return Text(capture) == L"停止"; }));
    EXPECT_EQ(SendMessageW(capture, BM_GETCHECK, 0, 0), BST_CHECKED);
    Click(capture);
    EXPECT_FALSE(camera->IsOpened());
    EXPECT_TRUE(UiTest::PumpUntil([&] { return Text(capture) == L"取り込み"; }));
    EXPECT_EQ(SendMessageW(capture, BM_GETCHECK, 0, 0), BST_UNCHECKED);

    // A device that cannot start: the box says why, the button stays as it was.
    camera->failOpen = true;
    BoxWatch::title.clear();
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, &BoxWatch::Look);
    Click(capture);
    KillTimer(nullptr, timer);
    EXPECT_EQ(BoxWatch::title, L"エラー");
    EXPECT_FALSE(BoxWatch::text.empty());
    EXPECT_FALSE(camera->IsOpened());
    UiTest::Settle();
    EXPECT_EQ(Text(capture), L"取り込み");
    EXPECT_EQ(SendMessageW(capture, BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST_F(MainWindowTest, WheelOverThePreviewZoomsByTenPercentANotch)
{
    Open();
    const HWND preview = window->GetPreview().GetSafeHwnd();
    // The focus stays on a button: the wheel still zooms where the pointer is.
    SetFocus(Item(IDC_CAPTURE));
    UiTest::MouseMove(preview, {100, 100});
    UiTest::MouseWheel(preview, {100, 100}, WHEEL_DELTA);
    EXPECT_EQ(model->GetViewRatio(), 110);
    UiTest::MouseWheel(preview, {100, 100}, WHEEL_DELTA);
    EXPECT_EQ(model->GetViewRatio(), 121);
    model->SetViewRatio(100);
    UiTest::MouseWheel(preview, {100, 100}, -WHEEL_DELTA);
    EXPECT_EQ(model->GetViewRatio(), 91);
    // Half a notch: 1.1^0.5 x 91 = 95.4.
    SendMessageW(preview, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA / 2), 0);
    EXPECT_EQ(model->GetViewRatio(), 95);
    // At the limits nothing changes.
    model->SetViewRatio(1000);
    SendMessageW(preview, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    EXPECT_EQ(model->GetViewRatio(), 1000);
    model->SetViewRatio(10);
    SendMessageW(preview, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    EXPECT_EQ(model->GetViewRatio(), 10);
}

TEST_F(MainWindowTest, SystemMenuHasTheAboutItemAfterASeparatorWithOnlyTheBuiltInProcessor)
{
    Open();
    const HMENU menu = GetSystemMenu(window->GetSafeHwnd(), FALSE);
    const int count = GetMenuItemCount(menu);
    ASSERT_GE(count, 2);
    EXPECT_EQ(GetMenuItemID(menu, count - 1), MainWindow::AboutCommand);
    wchar_t text[64] = {};
    GetMenuStringW(menu, count - 1, text, 64, MF_BYPOSITION);
    EXPECT_STREQ(text, L"バージョン情報(&A)...");
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE;
    ASSERT_TRUE(GetMenuItemInfoW(menu, count - 2, TRUE, &info));
    EXPECT_NE(info.fType & MFT_SEPARATOR, 0u);
    EXPECT_EQ(GetMenuState(menu, MainWindow::SelectProcessorCommand, MF_BYCOMMAND), static_cast<UINT>(-1));
}

TEST_F(MainWindowTest, PlacementIsWrittenOnCloseAndRestoredNextTime)
{
    Open();
    EXPECT_EQ(profile.ReadInt(L"MainWindow", L"WindowPlacementFlags", -1), -1);
    SetWindowPos(window->GetSafeHwnd(), nullptr, 60, 50, 700, 560, SWP_NOZORDER);
    UiTest::Settle();
    model->StartCapture();
    Close();
    EXPECT_FALSE(camera->IsOpened()) << "closing stops capture";
    for (const wchar_t* key :
         {L"WindowPlacementFlags", L"WindowPlacementShowCmd", L"WindowPlacementMinPositionX",
          L"WindowPlacementMinPositionY", L"WindowPlacementMaxPositionX", L"WindowPlacementMaxPositionY",
          L"WindowPlacementNormalPositionLeft", L"WindowPlacementNormalPositionTop",
          L"WindowPlacementNormalPositionRight", L"WindowPlacementNormalPositionBottom"})
    {
        EXPECT_NE(profile.ReadString(L"MainWindow", key, L"none"), L"none") << testing::PrintToString(key);
    }
    EXPECT_EQ(profile.ReadInt(L"MainWindow", L"WindowPlacementNormalPositionLeft", 0), 60);
    EXPECT_EQ(profile.ReadInt(L"MainWindow", L"WindowPlacementNormalPositionBottom", 0), 610);
    model.reset();

    // The next run opens where the last one ended.
    ASSERT_TRUE(profile.WriteInt(L"MainWindow", L"WindowPlacementNormalPositionLeft", 80));
    ASSERT_TRUE(profile.WriteInt(L"MainWindow", L"WindowPlacementNormalPositionRight", 780));
    Open();
    RECT rect = {};
    GetWindowRect(window->GetSafeHwnd(), &rect);
    EXPECT_EQ(rect.left, 80);
    EXPECT_EQ(rect.top, 50);
    EXPECT_EQ(rect.right, 780);
    EXPECT_EQ(rect.bottom, 610);
}

TEST_F(MainWindowTest, RunsModallyUntilTheCloseCommandAndIgnoresEnterAndEscape)
{
    model = MakeModel();
    MainWindow modal(model.get(), options);
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, &CloseScript::Step);
    EXPECT_EQ(modal.DoModal(nullptr), IDCANCEL);
    KillTimer(nullptr, timer);
    EXPECT_TRUE(CloseScript::stillOpen);
    EXPECT_NE(profile.ReadInt(L"MainWindow", L"WindowPlacementFlags", -1), -1);
}

TEST(MainWindowConstruction, RequiresAModel)
{
    try
    {
        TavixCapture::MainWindow window(nullptr, TavixCapture::StartupOptions{});
        FAIL() << "no exception";
    }
    catch (const Common::Exception& error)
    {
        EXPECT_EQ(error.ErrorCode, E_POINTER);
    }
}
