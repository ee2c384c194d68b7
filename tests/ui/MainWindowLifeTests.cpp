// The main window over its life as a user meets it: its placement kept
// between runs, closing it with a dialog open or with a configuration that
// cannot be written, the frame rate it shows, its scale on a monitor of
// another DPI, and labels that fit their controls. Real windows on the
// screen, real input, read back from the windows and the INI file.
#include "app/ErrorBox.h"
#include "resources/resource.h"
#include "MainWindowFixture.h"
#include "support/Desktop.h"
#include "support/LabelsCutOff.h"
#include "support/ErrorBoxWatcher.h"
#include "support/FailingProfile.h"
#include "support/FakeCameras.h"
#include "support/ScreenShot.h"
#include "support/TimerStep.h"
#include "ui/FrameRateMeter.h"
#include "ui/MainWindow.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <cstring>
#include <string>
#include <vector>

using namespace TestSupport;
using TavixCapture::MainWindow;

namespace
{

constexpr wchar_t Placement[] = L"MainWindow";

class MainWindowLifeTest : public MainWindowFixture
{
protected:
    // Runs the main window as the program does, until `close` closes it.
    // The step sees the shown window.
    void RunUntilClosed(const std::function<bool(HWND)>& close)
    {
        const TimerStep step(
            [&]
            {
                const HWND shown = FindWindowW(L"#32770", L"Tavix Capture");
                return shown != nullptr && IsWindowVisible(shown) && close(shown);
            });
        MainWindow::Run(*model, TavixCapture::StartupOptions{});
    }
};

int ReadPlacement(const TavixCapture::IniProfile& profile, const wchar_t* key)
{
    return profile.ReadInt(Placement, key, -1);
}

} // namespace

TEST_F(MainWindowLifeTest, ClosedWhileMinimisedItStartsAsItWasBeforeItWasMinimised)
{
    for (const bool maximised : {false, true})
    {
        SCOPED_TRACE(maximised ? "maximised, then minimised" : "minimised");
        Open();
        const HWND main = window->GetSafeHwnd();
        if (maximised)
        {
            SendMessageW(main, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
            Settle();
        }
        // The title bar's minimise button sends this command.
        SendMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        ASSERT_TRUE(PumpUntil([main] { return IsIconic(main) != FALSE; }));
        Close();
        EXPECT_EQ(ReadPlacement(profile, L"WindowPlacementShowCmd"),
                  maximised ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);

        Open();
        EXPECT_FALSE(IsIconic(window->GetSafeHwnd()));
        EXPECT_EQ(IsZoomed(window->GetSafeHwnd()) != FALSE, maximised);
        Close();
    }
}

TEST_F(MainWindowLifeTest, AWindowRectangleTooSmallToUseIsWidened)
{
    const std::pair<const wchar_t*, int> keys[] = {
        {L"WindowPlacementFlags", 0},
        {L"WindowPlacementShowCmd", SW_SHOWNORMAL},
        {L"WindowPlacementNormalPositionLeft", 100},
        {L"WindowPlacementNormalPositionTop", 80},
        {L"WindowPlacementNormalPositionRight", 100},
        {L"WindowPlacementNormalPositionBottom", 80},
    };
    for (const auto& [key, value] : keys)
    {
        ASSERT_TRUE(profile.WriteInt(Placement, key, value));
    }
    Open();
    RECT rect = window->GetWindowRect();
    EXPECT_EQ(rect.left, 100);
    EXPECT_GE(rect.right - rect.left, 320);
    EXPECT_GE(rect.bottom - rect.top, 240);
    const RECT preview = window->GetPreview().GetWindowRect();
    EXPECT_GT(preview.bottom - preview.top, 100) << "the picture has room";

    // Nor can a person make it that small.
    SetWindowPos(window->GetSafeHwnd(), nullptr, 0, 0, 20, 20, SWP_NOMOVE | SWP_NOZORDER);
    Settle();
    rect = window->GetWindowRect();
    EXPECT_GE(rect.right - rect.left, 320);
    Close();
    EXPECT_GE(ReadPlacement(profile, L"WindowPlacementNormalPositionRight") -
                  ReadPlacement(profile, L"WindowPlacementNormalPositionLeft"),
              320);
}

// The ten placement keys are one change of the file: a write that fails
// leaves all of them as they were.
TEST_F(MainWindowLifeTest, ThePlacementIsSavedAsOneChange)
{
    ASSERT_TRUE(profile.WriteInt(Placement, L"WindowPlacementFlags", 0));
    ASSERT_TRUE(profile.WriteInt(Placement, L"WindowPlacementShowCmd", SW_SHOWNORMAL));
    const FailingProfile failing(profile.GetPath(), L"WindowPlacementNormalPositionLeft");
    model = std::make_unique<TavixCapture::MainModel>(failing, Factory(), 0, true, false, folder.Path());
    Open();
    SetWindowPos(window->GetSafeHwnd(), nullptr, 33, 44, 700, 500, SWP_NOZORDER);
    Settle();
    Close();
    EXPECT_EQ(ReadPlacement(profile, L"WindowPlacementShowCmd"), SW_SHOWNORMAL);
    EXPECT_EQ(ReadPlacement(profile, L"WindowPlacementMinPositionX"), -1) << "no key of the failed change";
    EXPECT_EQ(ReadPlacement(profile, L"WindowPlacementNormalPositionTop"), -1);
    model.reset();
}

TEST_F(MainWindowLifeTest, AReadOnlyConfigurationClosesQuietly)
{
    ASSERT_TRUE(profile.WriteInt(L"Settings", L"ViewRatio", 200));
    MakeModel();
    ASSERT_TRUE(SetFileAttributesW(profile.GetPath().c_str(), FILE_ATTRIBUTE_READONLY));
    const std::string before = ReadFileBytes(profile.GetPath());
    const ErrorBoxWatcher watcher;
    RunUntilClosed(
        [](HWND shown)
        {
            PostMessageW(shown, WM_SYSCOMMAND, SC_CLOSE, 0);
            return true;
        });
    model.reset();
    Pump();
    EXPECT_TRUE(watcher.Texts().empty()) << testing::PrintToString(watcher.Texts());
    EXPECT_EQ(ReadFileBytes(profile.GetPath()), before) << "left as it is";
    SetFileAttributesW(profile.GetPath().c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(MainWindowLifeTest, SettingsThatCannotBeSavedAreToldOnceInJapanese)
{
    const FailingProfile failing(profile.GetPath(), L"WindowPlacementFlags");
    model = std::make_unique<TavixCapture::MainModel>(failing, Factory(), 0, true, false, folder.Path());
    const ErrorBoxWatcher watcher;
    RunUntilClosed(
        [](HWND shown)
        {
            PostMessageW(shown, WM_SYSCOMMAND, SC_CLOSE, 0);
            return true;
        });
    Pump();
    ASSERT_EQ(watcher.Texts().size(), 1u) << testing::PrintToString(watcher.Texts());
    EXPECT_EQ(watcher.Texts().front().rfind(L"設定を保存できませんでした。", 0), 0u);
    EXPECT_NE(watcher.Texts().front().find(profile.GetPath().substr(0, 20)), std::wstring::npos)
        << "names the file";
    model.reset();
}

// The task bar (or the system) closes the window while the about box runs:
// the box goes with the window instead of staying alone on the screen.
TEST_F(MainWindowLifeTest, ClosingWithTheAboutBoxOpenClosesTheBoxToo)
{
    MakeModel();
    model->StartCapture();
    bool aboutOpened = false;
    bool closeAsked = false;
    // If the box stays after the close, the person closes it after a while
    // (the window's loop would never end otherwise).
    bool leftAlone = false;
    int ticksAfterClose = 0;
    const TimerStep dismiss(
        [&]
        {
            if (!closeAsked || ++ticksAfterClose < 100)
            {
                return false;
            }
            const HWND box = FindWindowW(L"#32770", nullptr);
            leftAlone = box != nullptr && IsWindowVisible(box);
            if (leftAlone)
            {
                PostMessageW(box, WM_COMMAND, IDOK, 0);
            }
            return true;
        });
    RunUntilClosed(
        [&](HWND shown)
        {
            if (!aboutOpened)
            {
                PostMessageW(shown, WM_SYSCOMMAND, MainWindow::AboutCommand, 0);
                aboutOpened = true;
                return false;
            }
            if (OwnedWindow(shown, L"#32770") == nullptr)
            {
                return false;
            }
            PostMessageW(shown, WM_SYSCOMMAND, SC_CLOSE, 0);
            closeAsked = true;
            return true;
        });
    EXPECT_TRUE(closeAsked);
    EXPECT_FALSE(leftAlone) << "the about box stayed on the screen after the window closed";
    EXPECT_FALSE(model->GetCurrentDevice().IsOpened()) << "capture stopped with the window";
    EXPECT_EQ(FindWindowW(L"#32770", nullptr), nullptr) << "no dialog is left";
}

TEST_F(MainWindowLifeTest, FrameRateCountsDeliveredFramesAndShowsTheShownRateWhenFewer)
{
    Open();
    model->StartCapture();
    const auto rateOf = [](const std::wstring& text, double* shown)
    {
        double delivered = -1.0;
        *shown = -1.0;
        std::swscanf(text.c_str(), L"FPS = %lf (表示 %lf)", &delivered, shown);
        return delivered;
    };
    // Frames delivered while the preview is hidden: none is shown. (The
    // notifications wait meanwhile, so that the tick below takes the reading.)
    window->GetPreview().Show(SW_HIDE);
    const DWORD end = GetTickCount() + 1100;
    int frames = 0;
    while (GetTickCount() < end)
    {
        cam0->DeliverFrame(0xFF102030u);
        ++frames;
    }
    SendMessageW(window->GetSafeHwnd(), WM_TIMER, MainWindow::FpsTimerId, 0);
    Pump();
    double shown = 0.0;
    const std::wstring hidden = Pane(0);
    EXPECT_GT(rateOf(hidden, &shown), frames / 2.0) << testing::PrintToString(hidden);
    EXPECT_EQ(shown, 0.0) << testing::PrintToString(hidden);
    EXPECT_EQ(hidden.find(L" (表示 0.0)"), hidden.size() - 9);

    // A tick right after a reading keeps the reading (no second of nothing).
    SendMessageW(window->GetSafeHwnd(), WM_TIMER, MainWindow::FpsTimerId, 0);
    EXPECT_EQ(Pane(0), hidden);

    // Each frame shown before the next arrives: the delivered rate alone.
    window->GetPreview().Show(SW_SHOW);
    Settle();
    const DWORD again = GetTickCount() + 1100;
    while (GetTickCount() < again)
    {
        const std::uint64_t before = window->GetPreview().GetFramesShown();
        cam0->DeliverFrame(0xFF102030u);
        ASSERT_TRUE(PumpUntil([&] { return window->GetPreview().GetFramesShown() > before; }));
    }
    SendMessageW(window->GetSafeHwnd(), WM_TIMER, MainWindow::FpsTimerId, 0);
    const std::wstring visible = Pane(0);
    EXPECT_GT(rateOf(visible, &shown), 0.0) << testing::PrintToString(visible);
    EXPECT_EQ(visible.find(L"表示"), std::wstring::npos) << testing::PrintToString(visible);
    model->StopCapture();
}

// Moved to a monitor of 150 %: the banner, the status bar's panes and the
// side pane take the new scale, and the window the suggested rectangle.
TEST_F(MainWindowLifeTest, ADpiChangeScalesTheBannerTheStatusBarAndTheSidePane)
{
    MakeModel();
    model->SetIsSidePaneVisible(true);
    Open();
    const HWND main = window->GetSafeHwnd();
    const HWND bar = window->GetStatusBar().GetSafeHwnd();
    const auto height = [](HWND control)
    {
        RECT rect = {};
        GetWindowRect(control, &rect);
        return rect.bottom - rect.top;
    };
    const auto width = [](HWND control)
    {
        RECT rect = {};
        GetWindowRect(control, &rect);
        return rect.right - rect.left;
    };
    const auto paneEdges = [bar]
    {
        int edges[3] = {};
        SendMessageW(bar, SB_GETPARTS, 3, reinterpret_cast<LPARAM>(edges));
        return std::vector<int>(edges, edges + 3);
    };
    const LONG banner = height(Item(IDC_BANNER));
    const LONG pane = width(window->GetSidePane().GetSafeHwnd());
    EXPECT_EQ(paneEdges(), (std::vector<int>{200, 400, 600}));

    for (const UINT dpi : {144u, 96u})
    {
        SCOPED_TRACE(dpi);
        RECT suggested = {50, 40, 50 + static_cast<LONG>(7 * dpi), 40 + static_cast<LONG>(5 * dpi)};
        SendMessageW(main, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        Settle();
        const RECT now = window->GetWindowRect();
        EXPECT_EQ(now.left, 50);
        EXPECT_EQ(now.right - now.left, static_cast<LONG>(7 * dpi));
        const int scale = static_cast<int>(dpi);
        EXPECT_EQ(paneEdges(),
                  (std::vector<int>{2 * scale * 100 / 96, 4 * scale * 100 / 96, 6 * scale * 100 / 96}));
        EXPECT_NEAR(height(Item(IDC_BANNER)), banner * scale / 96, 2);
        EXPECT_NEAR(width(window->GetSidePane().GetSafeHwnd()), pane * scale / 96, 1);
        EXPECT_EQ(height(Item(IDC_CAPTURE)), height(Item(IDC_BANNER))) << "the buttons follow the banner";
    }
}

// Every caption and label of the main window and the side pane fits its
// control at the screen's scale (the screenshot run checks 150 and 200 %).
TEST_F(MainWindowLifeTest, EveryLabelIsWhole)
{
    MakeModel();
    model->SetIsSidePaneVisible(true);
    model->SetIsMarkerVisible(true);
    Open();
    EXPECT_EQ(LabelsCutOff(window->GetSafeHwnd()), L"");
    model->StartCapture(); // "停止"
    Settle();
    EXPECT_EQ(LabelsCutOff(window->GetSafeHwnd()), L"");
    model->StopCapture();
}

// An error naming a path far longer than a line (an INI file deep in
// folders) shows in a box narrower than the screen.
TEST(ErrorBoxText, LongPathsAreWrappedAfterAFolderSeparator)
{
    std::wstring path = L"C:\\";
    while (path.size() < 250)
    {
        path += L"folder" + std::to_wstring(path.size()) + L"\\";
    }
    const std::wstring text = L"INIファイルを設定できませんでした。\nパスが長すぎます（250 文字）: " + path;
    const std::wstring wrapped = TavixCapture::ErrorBox::WrapLongRuns(text, 60);
    std::wstring unwrapped;
    std::size_t longest = 0;
    std::size_t start = 0;
    for (std::size_t end = 0; end <= wrapped.size(); ++end)
    {
        if (end == wrapped.size() || wrapped[end] == L'\n')
        {
            const std::wstring line = wrapped.substr(start, end - start);
            // The box breaks lines at spaces itself: what counts is the
            // longest run without one.
            const std::size_t space = line.find_last_of(L' ');
            longest = std::max(longest, space == std::wstring::npos ? line.size() : line.size() - space - 1);
            if (line.size() > 40 && line.find(L' ') == std::wstring::npos)
            {
                EXPECT_EQ(line.back(), L'\\') << "broken after a separator";
            }
            start = end + 1;
        }
    }
    EXPECT_LE(longest, 60u);
    for (const wchar_t c : wrapped)
    {
        if (c != L'\n')
        {
            unwrapped += c;
        }
    }
    std::wstring original;
    for (const wchar_t c : text)
    {
        if (c != L'\n')
        {
            original += c;
        }
    }
    EXPECT_EQ(unwrapped, original) << "nothing lost";

    // The box itself, on the screen.
    LONG boxWidth = 0;
    const TimerStep answer(
        [&]
        {
            const HWND box = FindWindowW(L"#32770", L"エラー");
            if (box == nullptr || !IsWindowVisible(box))
            {
                return false;
            }
            RECT rect = {};
            GetWindowRect(box, &rect);
            boxWidth = rect.right - rect.left;
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            return true;
        });
    TavixCapture::ErrorBox::Show(nullptr, std::make_exception_ptr(Common::Exception(text, L"Test", 1)),
                                 false);
    EXPECT_GT(boxWidth, 0);
    EXPECT_LT(boxWidth, GetSystemMetrics(SM_CXSCREEN) * 3 / 4);
}

// With TAVIX_SCREENSHOTS naming a folder, the main window with the side
// pane and a picture is saved there as main-window-<scale>.png (the scale of
// the screen, 100, 150 or 200; scripts/dpi-screenshots.sh runs it at each).
TEST_F(MainWindowLifeTest, ScreenshotAtTheScreensScale)
{
    wchar_t target[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"TAVIX_SCREENSHOTS", target, MAX_PATH) == 0)
    {
        GTEST_SKIP() << "TAVIX_SCREENSHOTS is not set";
    }
    MakeModel();
    model->SetIsSidePaneVisible(true);
    model->SetIsMarkerVisible(true);
    model->SetMarkerColor(RGB(255, 210, 63));
    model->SetFileFormat(2); // the shot is saved as PNG
    Open();
    const UINT dpi = GetDpiForWindow(window->GetSafeHwnd());
    const SIZE size = {MulDiv(900, static_cast<int>(dpi), 96), MulDiv(560, static_cast<int>(dpi), 96)};
    SetWindowPos(window->GetSafeHwnd(), nullptr, 0, 0, size.cx, size.cy, SWP_NOZORDER);
    model->StartCapture();
    cam0->Paint(
        [](int x, int y)
        {
            return 0xFF000000u | static_cast<std::uint32_t>((x * 255 / 640) << 16) |
                   static_cast<std::uint32_t>((y * 255 / 480) << 8) | 0x60u;
        });
    const std::uint64_t shown = window->GetPreview().GetFramesShown();
    cam0->Deliver();
    ASSERT_TRUE(PumpUntil([&] { return window->GetPreview().GetFramesShown() > shown; }));
    Settle();

    const ScreenShot shot = ShootClient(window->GetSafeHwnd());
    Common::FrameBuffer frame;
    frame.Resize(shot.Width(), shot.Height());
    for (int i = 0; i < shot.Width() * shot.Height(); ++i)
    {
        const std::uint32_t pixel = 0xFF000000u | shot.At(i % shot.Width(), i / shot.Width());
        std::memcpy(&frame.pixels[i * 4u], &pixel, 4);
    }
    const std::wstring path = std::wstring(target) + L"\\main-window-" +
                              std::to_wstring(MulDiv(100, static_cast<int>(dpi), 96)) + L".png";
    model->SaveFrame(frame, path);
    EXPECT_NE(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(LabelsCutOff(window->GetSafeHwnd()), L"");
    model->StopCapture();
}

// A slow processor (200 ms a frame): the window asks for a reading on its
// one-second timer and on frames; the pane never drops to 0 in between.
TEST(FrameRate, ASlowCameraReadsSteadily)
{
    constexpr std::int64_t second = 1000000; // counter ticks
    TavixCapture::FrameRateMeter meter(second);
    meter.Start(0, 0, 0);
    std::uint64_t delivered = 0;
    std::vector<std::wstring> texts;
    std::int64_t nextTick = second;
    for (std::int64_t now = 0; now <= 10 * second; now += second / 100)
    {
        if (now % (second / 5) == 0 && now > 0)
        {
            ++delivered; // a frame, shown too
            if (meter.IsDue(now - second / 5) && meter.Update(now, delivered, delivered))
            {
                texts.push_back(meter.GetText());
            }
        }
        if (now >= nextTick)
        {
            nextTick += second;
            if (meter.Update(now, delivered, delivered))
            {
                texts.push_back(meter.GetText());
            }
        }
    }
    ASSERT_GE(texts.size(), 8u);
    for (const std::wstring& text : texts)
    {
        double rate = 0.0;
        ASSERT_EQ(std::swscanf(text.c_str(), L"FPS = %lf", &rate), 1);
        EXPECT_NEAR(rate, 5.0, 1.2) << testing::PrintToString(text);
    }
    // Exactly 30 frames in one second, 20 of them shown.
    meter.Start(0, 0, 0);
    ASSERT_TRUE(meter.Update(second, 30, 20));
    EXPECT_EQ(meter.GetText(), L"FPS = 30.000000 (表示 20.0)");
}
