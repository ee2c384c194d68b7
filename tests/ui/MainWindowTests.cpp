// The main window as a user meets it: created from its template on the
// screen, driven with real mouse input and messages, checked through its
// controls, its status bar, the model and the configuration file.
#include "Common/PerformanceCounter.h"
#include "Common/capture/CaptureFailure.h"
#include "resources/resource.h"
#include "support/Desktop.h"
#include "support/ErrorBoxWatcher.h"
#include "MainWindowFixture.h"
#include "support/FakeCameras.h"
#include "support/ScreenShot.h"
#include "support/TimerStep.h"
#include "ui/MainWindow.h"

#include <gtest/gtest.h>

#include <dbt.h>

#include <atomic>
#include <cstdio>
#include <cwchar>
#include <string>
#include <thread>
#include <vector>

using namespace TestSupport;
using TavixCapture::MainWindow;
using TavixCapture::PropertyId;

namespace
{

class MainWindowTest : public MainWindowFixture
{
protected:
    // A child's rectangle in the main window's client coordinates.
    RECT RectOf(HWND child) const
    {
        RECT rect = {};
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, window->GetSafeHwnd(), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
    RECT Client() const { return window->GetClientRect(); }
};

} // namespace

TEST_F(MainWindowTest, StatusBarShowsFrameRateAndThePixelUnderThePointer)
{
    Open();
    // A second without frames (the timer's reading; the delivered and
    // shown rates are in MainWindowLifeTests).
    EXPECT_TRUE(PumpUntil([this] { return Pane(0) == L"FPS = 0.000000"; }, 3000))
        << testing::PrintToString(Pane(0));

    // Pixel (12, 7) with B = 10, G = 20, R = 30, at 400 % scrolled to the
    // image's top-left corner: its block starts at the view's corner.
    cam0->SetPixel(12, 7, 0xFF1E140Au);
    model->SetViewRatio(400);
    Settle();
    const HWND preview = window->GetPreview().GetSafeHwnd();
    SendMessageW(preview, WM_HSCROLL, SB_TOP, 0);
    SendMessageW(preview, WM_VSCROLL, SB_TOP, 0);
    MouseMove(preview, {12 * 4 + 2, 7 * 4 + 2});
    EXPECT_EQ(Pane(1), L"X = 12, Y = 7");
    EXPECT_EQ(Pane(2), L"R = 30, G = 20, B = 10");

    // Off the image (over the banner): both blank.
    MouseMove(Item(IDC_BANNER), {5, 5});
    EXPECT_TRUE(PumpUntil([this] { return Pane(1).empty(); }));
    EXPECT_EQ(Pane(2), L"");
}

TEST_F(MainWindowTest, FrameRateKeepsComingWhilePaintsHoldBackTheTimer)
{
    Open();
    model->StartCapture();
    // Frames keep the preview painting, and timer messages only come when
    // nothing else waits: handle everything but them for a second and more.
    const ULONGLONG end = GetTickCount64() + 1300;
    int frames = 0;
    while (GetTickCount64() < end)
    {
        cam0->DeliverFrame(0xFF204060u);
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
    const HWND toggle = Item(IDC_SIDEPANE_TOGGLE);
    const HWND bar = window->GetStatusBar().GetSafeHwnd();
    const HWND pane = window->GetSidePane().GetSafeHwnd();
    // The buttons sit side by side left of `right`, the preview frame ends
    // there and at `bottom`.
    const auto expectEdges = [&](LONG right, LONG bottom)
    {
        EXPECT_EQ(RectOf(toggle).right, right);
        EXPECT_EQ(RectOf(Item(IDC_CAPTURE)).right, RectOf(toggle).left);
        EXPECT_EQ(RectOf(frame).right, right);
        EXPECT_EQ(RectOf(frame).bottom, bottom);
    };

    // At start: status bar shown, side pane hidden.
    ASSERT_TRUE(IsWindowVisible(bar));
    EXPECT_FALSE(IsWindowVisible(pane));
    RECT client = Client();
    expectEdges(client.right, RectOf(bar).top);
    EXPECT_EQ(RectOf(bar).bottom, client.bottom);
    const RECT banner = RectOf(Item(IDC_BANNER));
    EXPECT_EQ(RectOf(toggle).bottom - RectOf(toggle).top, banner.bottom - banner.top);
    EXPECT_EQ(RectOf(frame).top, banner.bottom - banner.top);
    // The preview fills the frame's inside.
    RECT inside = {};
    GetClientRect(frame, &inside);
    const RECT preview = window->GetPreview().GetWindowRect();
    EXPECT_EQ(preview.right - preview.left, inside.right);
    EXPECT_EQ(preview.bottom - preview.top, inside.bottom);

    // Side pane shown by its button, right of the buttons and the preview.
    ClickCentre(toggle);
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(pane) != FALSE; }));
    Settle();
    EXPECT_TRUE(model->GetIsSidePaneVisible());
    EXPECT_EQ(TextOf(toggle), L">");
    EXPECT_TRUE(IsChecked(toggle));
    const RECT paneRect = RectOf(pane);
    EXPECT_EQ(paneRect.right, client.right);
    EXPECT_EQ(paneRect.top, 0);
    EXPECT_EQ(paneRect.bottom, RectOf(bar).top);
    EXPECT_GT(paneRect.right - paneRect.left, 100);
    expectEdges(paneRect.left, RectOf(bar).top);

    // Status bar hidden: the preview and the side pane reach the bottom edge.
    model->SetIsStatusBarVisible(false);
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(bar) == FALSE; }));
    Settle();
    expectEdges(paneRect.left, client.bottom);
    EXPECT_EQ(RectOf(pane).bottom, client.bottom);

    // Side pane hidden again: the buttons return to the right edge.
    ClickCentre(toggle);
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(pane) == FALSE; }));
    Settle();
    EXPECT_EQ(TextOf(toggle), L"<");
    EXPECT_FALSE(IsChecked(toggle));
    expectEdges(client.right, client.bottom);

    // Resizing the window lays out again.
    SetWindowPos(window->GetSafeHwnd(), nullptr, 0, 0, 900, 700, SWP_NOMOVE | SWP_NOZORDER);
    Settle();
    client = Client();
    expectEdges(client.right, client.bottom);
}

TEST_F(MainWindowTest, CaptureButtonFollowsTheModelAndShowsAFailureOrAnEndedStreamInTheErrorBox)
{
    Open();
    const HWND capture = Item(IDC_CAPTURE);
    EXPECT_EQ(TextOf(capture), L"取り込み");
    ClickCentre(capture);
    EXPECT_TRUE(cam0->IsOpened());
    EXPECT_TRUE(PumpUntil([&] { return TextOf(capture) == L"停止"; }));
    EXPECT_TRUE(IsChecked(capture));
    ClickCentre(capture);
    EXPECT_FALSE(cam0->IsOpened());
    EXPECT_TRUE(PumpUntil([&] { return TextOf(capture) == L"取り込み"; }));
    EXPECT_FALSE(IsChecked(capture));

    // A device that cannot start: the box says why, the button stays as it was.
    cam0->failOpen = true;
    const ErrorBoxWatcher watcher;
    ClickCentre(capture);
    ASSERT_TRUE(PumpUntil([&] { return !watcher.Texts().empty(); }));
    EXPECT_FALSE(watcher.Texts().front().empty());
    EXPECT_FALSE(cam0->IsOpened());
    Settle();
    EXPECT_EQ(TextOf(capture), L"取り込み");
    EXPECT_FALSE(IsChecked(capture));

    // A stream that ends while capturing (the camera taken by another
    // program): the button goes back, and one box says why, debug messages
    // or not.
    cam0->failOpen = false;
    ClickCentre(capture);
    ASSERT_TRUE(PumpUntil([&] { return TextOf(capture) == L"停止"; }));
    std::thread([this] { cam0->EndStream(Common::Exception(L"使用中です。")); }).join();
    ASSERT_TRUE(PumpUntil([&] { return watcher.Texts().size() == 2; }));
    EXPECT_EQ(watcher.Texts().back(), L"使用中です。");
    EXPECT_EQ(TextOf(capture), L"取り込み");
    EXPECT_FALSE(IsChecked(capture));
    Settle();
    EXPECT_EQ(watcher.Texts().size(), 2u) << "shown once";
}

TEST_F(MainWindowTest, SystemMenuHasTheAboutItemButNoProcessorChoiceWithOnlyTheBuiltInProcessor)
{
    Open();
    const HMENU menu = GetSystemMenu(window->GetSafeHwnd(), FALSE);
    const int count = GetMenuItemCount(menu);
    ASSERT_GE(count, 2);
    EXPECT_EQ(GetMenuItemID(menu, count - 1), MainWindow::AboutCommand);
    EXPECT_EQ(GetMenuState(menu, static_cast<UINT>(count - 2), MF_BYPOSITION) & MF_SEPARATOR,
              static_cast<UINT>(MF_SEPARATOR));
    EXPECT_EQ(GetMenuState(menu, MainWindow::SelectProcessorCommand, MF_BYCOMMAND), static_cast<UINT>(-1));
}

TEST_F(MainWindowTest, RunsModallyUntilTheCloseCommandAndIgnoresEnterAndEscape)
{
    MakeModel();
    MainWindow modal(model.get(), TavixCapture::StartupOptions{});
    bool stillOpen = false;
    const TimerStep close(
        [&]
        {
            const HWND shown = FindWindowW(L"#32770", L"Tavix Capture");
            if (shown == nullptr || !IsWindowVisible(shown))
            {
                return false;
            }
            SendMessageW(shown, WM_COMMAND, IDCANCEL, 0);
            SendMessageW(shown, WM_COMMAND, IDOK, 0);
            stillOpen = IsWindow(shown) != FALSE;
            PostMessageW(shown, WM_SYSCOMMAND, SC_CLOSE, 0);
            return true;
        });
    EXPECT_EQ(modal.DoModal(nullptr), IDCANCEL);
    EXPECT_TRUE(stillOpen);
    EXPECT_NE(profile.ReadInt(L"MainWindow", L"WindowPlacementFlags", -1), -1);
}

// Frames coming faster than the preview can paint them keep it painting
// without end; the side pane must still repaint and answer the pointer.
TEST_F(MainWindowTest, AFloodOfFramesLeavesTheSidePaneRepaintingAndAnsweringThePointer)
{
    Open();
    model->SetIsSidePaneVisible(true);
    Settle();
    const HWND marker = GetDlgItem(window->GetSidePane().GetControlPanel().GetSafeHwnd(), IDC_MARKER);
    const ScreenShot unchecked = ShootClient(marker);

    // A camera far faster than any paint: each frame is announced as soon
    // as the windows took the last announcement.
    std::atomic<bool> flooding{true};
    std::thread camera(
        [&]
        {
            while (flooding)
            {
                model->Raise(PropertyId::Frame);
                Sleep(1);
            }
        });
    RECT box = {};
    GetClientRect(marker, &box);
    // Not waited for: under a flood of frames the queue never runs dry.
    PostClick(marker, {box.bottom / 2, box.bottom / 2});
    const bool turnedOn = PumpUntil([&] { return model->GetIsMarkerVisible(); });
    const bool repainted = PumpUntil([&] { return ShootClient(marker) != unchecked; });
    flooding = false;
    camera.join();
    EXPECT_TRUE(turnedOn) << "the click on the check box was not taken";
    EXPECT_TRUE(repainted) << "the check box was not repainted while frames kept coming";
}

TEST_F(MainWindowTest, TheSessionEndingWhileRecordingLeavesAWholeMovieAndCurrentSettings)
{
    Open();
    model->SetFileFormat(4); // AVI
    model->SetSaveTarget(1);
    model->SetViewRatio(250);
    const std::wstring movie = folder.File(L"session.avi");
    model->StartRecording(movie);
    model->StartCapture();
    for (std::uint32_t i = 0; i < 5; ++i)
    {
        cam0->DeliverFrame(0xFF000000u + i * 0x102030u);
    }
    const HWND hwnd = window->GetSafeHwnd();
    EXPECT_EQ(SendMessageW(hwnd, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    EXPECT_TRUE(model->GetIsRecording()) << "the session's end may still be called off";
    cam0->DeliverFrame(0xFF808080u);
    SendMessageW(hwnd, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);

    // What a process ended right here leaves on disk: no destructor has run.
    EXPECT_FALSE(model->GetIsRecording());
    const std::string bytes = ReadFileBytes(movie);
    ASSERT_GT(bytes.size(), 12u);
    EXPECT_EQ(bytes.compare(bytes.size() - 6 * 16 - 8, 4, "idx1"), 0)
        << "the index of six frames ends the file";
    const std::wstring settings = ReadTextFile(folder.File(L"TavixCapture.ini"));
    EXPECT_NE(settings.find(L"ViewRatio=250"), std::wstring::npos) << settings;
    EXPECT_NE(settings.find(L"WindowPlacementFlags="), std::wstring::npos) << settings;
    EXPECT_NE(Pane(3).find(L"録画終了 "), std::wstring::npos) << "6 フレーム";
    EXPECT_NE(Pane(3).find(L"6 フレーム"), std::wstring::npos);
}

TEST_F(MainWindowTest, AnUnpluggedCameraIsToldWithoutABoxAndTheMovieSoFarIsWhole)
{
    // The machine lists what is plugged in when the model asks.
    std::vector<std::shared_ptr<Common::Device>> plugged = {cam0, cam1};
    MakeModel(
        [&](std::int32_t, bool, bool)
        {
            auto capture = std::make_unique<Common::VideoCapture>();
            capture->devices = plugged;
            return capture;
        });
    Open();
    const HWND capture = Item(IDC_CAPTURE);
    model->SetFileFormat(4); // AVI
    model->SetSaveTarget(1);
    const std::wstring movie = folder.File(L"unplugged.avi");
    model->StartRecording(movie);
    ClickCentre(capture);
    ASSERT_TRUE(PumpUntil([&] { return TextOf(capture) == L"停止"; }));
    for (std::uint32_t i = 0; i < 4; ++i)
    {
        cam0->DeliverFrame(0xFF000000u + i * 0x102030u);
    }

    const ErrorBoxWatcher watcher;
    plugged = {cam1};
    std::thread([this]
                { cam0->EndStream(Common::CaptureFailure::Make(HRESULT_FROM_WIN32(ERROR_DEVICE_REMOVED))); })
        .join();
    ASSERT_TRUE(PumpUntil([&] { return !model->GetIsRecording(); }));
    EXPECT_EQ(TextOf(capture), L"取り込み");
    EXPECT_EQ(Pane(0), L"カメラが取り外されました");
    EXPECT_EQ(window->GetPreview().GetNotice(), L"カメラが取り外されました");
    const std::string bytes = ReadFileBytes(movie);
    ASSERT_GT(bytes.size(), 4u * 16 + 8);
    EXPECT_EQ(bytes.compare(bytes.size() - 4 * 16 - 8, 4, "idx1"), 0)
        << "the index of four frames ends the file";
    EXPECT_NE(Pane(3).find(L"4 フレーム"), std::wstring::npos) << testing::PrintToString(Pane(3));

    // The rest of the window goes on working: the side pane opens, and the
    // notice stays in the first pane through the frame-rate readings.
    ClickCentre(Item(IDC_SIDEPANE_TOGGLE));
    EXPECT_TRUE(PumpUntil([&] { return model->GetIsSidePaneVisible(); }));
    Settle();
    EXPECT_EQ(Pane(0), L"カメラが取り外されました");
    EXPECT_TRUE(watcher.Texts().empty()) << "no box";

    // Meanwhile the other camera is current; capture started on it: the notice goes.
    EXPECT_EQ(&model->GetCurrentDevice(), cam1.get());
    ClickCentre(capture);
    ASSERT_TRUE(PumpUntil([&] { return TextOf(capture) == L"停止"; }));
    EXPECT_TRUE(PumpUntil([&] { return window->GetPreview().GetNotice().empty(); }));
    EXPECT_TRUE(PumpUntil([&] { return Pane(0) != L"カメラが取り外されました"; }));
}

TEST_F(MainWindowTest, TheCameraListFollowsWhatWindowsTellsOfArrivalsAndRemovals)
{
    std::vector<std::shared_ptr<Common::Device>> plugged = {cam0};
    MakeModel(
        [&](std::int32_t, bool, bool)
        {
            auto capture = std::make_unique<Common::VideoCapture>();
            capture->devices = plugged;
            return capture;
        });
    model->SetIsSidePaneVisible(true);
    model->SelectFrameFormat(1); // cam0's 320x240, the format to come back to
    Open();
    const HWND hwnd = window->GetSafeHwnd();
    const HWND list = GetDlgItem(window->GetSidePane().GetControlPanel().GetSafeHwnd(), IDC_DEVICE);
    const auto listed = [&] { return SendMessageW(list, CB_GETCOUNT, 0, 0); };
    ASSERT_EQ(listed(), 1);
    ClickCentre(Item(IDC_CAPTURE));
    ASSERT_TRUE(cam0->IsOpened());
    // What Windows sends a window registered for camera interfaces; the
    // symbolic link is the device's path, in whatever case Windows gives it.
    const auto tell = [&](WPARAM event, const wchar_t* link)
    {
        std::vector<BYTE> bytes(sizeof(DEV_BROADCAST_DEVICEINTERFACE_W) +
                                std::wcslen(link) * sizeof(wchar_t));
        auto* device = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(bytes.data());
        device->dbcc_size = static_cast<DWORD>(bytes.size());
        device->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        device->dbcc_classguid = {
            0xe5323777, 0xf976, 0x4f5b, {0x9b, 0x55, 0xb9, 0x46, 0x99, 0xc4, 0x6e, 0x44}};
        std::wcscpy(device->dbcc_name, link);
        SendMessageW(hwnd, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(device));
    };

    // A second camera arrives: listed, the running capture goes on undisturbed.
    plugged = {cam0, cam1};
    tell(DBT_DEVICEARRIVAL, cam1->path.c_str());
    ASSERT_TRUE(PumpUntil([&] { return listed() == 2; }));
    EXPECT_EQ(&model->GetCurrentDevice(), cam0.get());
    EXPECT_TRUE(cam0->IsOpened());

    // cam0 is pulled: its stream says so, and Windows tells of the removal.
    std::thread([this]
                { cam0->EndStream(Common::CaptureFailure::Make(HRESULT_FROM_WIN32(ERROR_DEVICE_REMOVED))); })
        .join();
    plugged = {cam1};
    tell(DBT_DEVICEREMOVECOMPLETE, L"\\\\?\\CAM0");
    ASSERT_TRUE(PumpUntil([&] { return listed() == 1 && &model->GetCurrentDevice() == cam1.get(); }));
    EXPECT_EQ(TextOf(Item(IDC_CAPTURE)), L"取り込み");

    // It comes back as a new device object at the same path, told only as a
    // changed device node (as from another process): taken back with its
    // format, capturing within 2 s.
    const auto back = std::make_shared<FakeDevice>(
        L"Camera 0", L"\\\\?\\CAM0",
        std::initializer_list<FormatInfo>{{L"YUY2", 640, 480, 30.0}, {L"YUY2", 320, 240, 30.0}});
    plugged = {back, cam1};
    const ULONGLONG arrival = GetTickCount64();
    PostMessageW(hwnd, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
    ASSERT_TRUE(PumpUntil([&] { return back->IsOpened(); }, 2000));
    EXPECT_LE(GetTickCount64() - arrival, 2000u);
    EXPECT_EQ(back->GetSelectedFormat()->GetName(), L"YUY2 320x240 (30fps)");
    EXPECT_TRUE(PumpUntil([&] { return listed() == 2 && SendMessageW(list, CB_GETCURSEL, 0, 0) == 0; }));
    EXPECT_TRUE(PumpUntil([&] { return TextOf(Item(IDC_CAPTURE)) == L"停止"; }));
}
