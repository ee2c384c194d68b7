// The preview as a user meets it: a real window on the screen, real mouse
// input, and the pixels it draws read back from the display.
#include "support/Desktop.h"
#include "support/ErrorBoxWatcher.h"
#include "support/FakeCameras.h"
#include "support/HostWindow.h"
#include "support/ProgramProcess.h"
#include "support/ScreenShot.h"
#include "support/TimerStep.h"

#include "Common/ui/Window.h"
#include "ui/PreviewWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>
#include <utility>

using namespace TestSupport;

namespace
{

class PreviewTest : public FakeCameraTest
{
protected:
    // A camera on its own thread, delivering `value` at about 30 frames a second.
    class Camera
    {
    public:
        Camera(FakeDevice& device, std::uint32_t value)
            : thread_(
                  [this, &device, value]
                  {
                      while (running_)
                      {
                          device.DeliverFrame(value);
                          Sleep(33); // the camera's pace, not a wait for anything
                      }
                  })
        {
        }
        ~Camera()
        {
            running_ = false;
            thread_.join();
        }

    private:
        std::atomic<bool> running_{true};
        std::thread thread_;
    };

    // A preview whose client area is width x height pixels (its border is one
    // pixel), over the fake cameras or over `only`.
    void Open(int width, int height, std::shared_ptr<FakeDevice> only = nullptr)
    {
        MakeModel(only ? TavixCapture::CaptureBackendFactory([only](std::int32_t, bool, bool)
                                                             { return MakeCapture({only}); })
                       : nullptr);
        host = std::make_unique<HostWindow>(width + 2, height + 2);
        preview = std::make_unique<TavixCapture::PreviewWindow>(*model, false);
        preview->Create(host->GetSafeHwnd(), RECT{0, 0, width + 2, height + 2});
        Settle();
    }
    void TearDown() override
    {
        preview.reset();
        host.reset();
        Pump();
    }
    HWND Handle() const { return preview->GetSafeHwnd(); }

    std::unique_ptr<HostWindow> host;
    std::unique_ptr<TavixCapture::PreviewWindow> preview;
};

// A camera with one YUY2 format of the given size.
std::shared_ptr<FakeDevice> OneFormatCamera(int width, int height)
{
    return std::make_shared<FakeDevice>(L"Only", L"\\\\?\\only",
                                        std::initializer_list<FormatInfo>{{L"YUY2", width, height, 30.0}});
}

std::uint32_t Rgb(std::uint32_t pixel)
{
    return pixel & 0x00FFFFFFu;
}

// A frame in which every pixel has its own colour: red from x, green from y.
std::uint32_t Gradient(int x, int y)
{
    return 0xFF000000u | static_cast<std::uint32_t>(x % 256) << 16 |
           static_cast<std::uint32_t>(y % 256) << 8 | 0x40u;
}

int Channel(std::uint32_t rgb, int shift)
{
    return static_cast<int>((rgb >> shift) & 0xFF);
}

} // namespace

TEST_F(PreviewTest, ShowsTheFrameCentredOnTealAtFullSizeWithSharpPixelsWhenZoomed)
{
    Open(800, 600);
    // Before the first frame: a black image of the frame's size on teal.
    ScreenShot before = ShootClient(Handle());
    EXPECT_EQ(before.At(10, 10), Teal);
    EXPECT_EQ(before.At(79, 300), Teal);
    EXPECT_EQ(before.At(80, 60), 0u);
    EXPECT_EQ(before.At(719, 539), 0u);
    EXPECT_EQ(before.At(720, 300), Teal);

    cam0->Paint(Gradient);
    model->Raise(TavixCapture::PropertyId::Frame);
    Settle();
    const ScreenShot full = ShootClient(Handle());
    EXPECT_EQ(full.At(0, 0), Teal);
    EXPECT_EQ(full.At(799, 599), Teal);
    // 640x480 in 800x600: the image starts at (80, 60).
    for (const POINT p : {POINT{0, 0}, POINT{1, 0}, POINT{0, 1}, POINT{300, 200}, POINT{639, 479}})
    {
        EXPECT_EQ(full.At(80 + p.x, 60 + p.y), Rgb(Gradient(p.x, p.y))) << p.x << "," << p.y;
    }

    model->SetViewRatio(400);
    Settle();
    const ScreenShot zoomed = ShootClient(Handle());
    RECT client = {};
    GetClientRect(Handle(), &client);
    // Centred: the image's middle is at the view's middle. Every image pixel
    // is a 4x4 block of one colour: the screen pixels whose centres lie
    // inside it (a centre on its edge may go either way) show exactly it.
    const double x0 = (client.right - 2560) / 2.0;
    const double y0 = (client.bottom - 1920) / 2.0;
    for (const POINT p : {POINT{300, 220}, POINT{301, 220}, POINT{330, 251}})
    {
        const std::uint32_t expected = Rgb(Gradient(p.x, p.y));
        for (const double dy : {1.0, 2.0, 3.0})
        {
            for (const double dx : {1.0, 2.0, 3.0})
            {
                const int sx = static_cast<int>(std::floor(x0 + p.x * 4 + dx));
                const int sy = static_cast<int>(std::floor(y0 + p.y * 4 + dy));
                EXPECT_EQ(zoomed.At(sx, sy), expected) << p.x << "," << p.y << " +" << dx << "," << dy;
            }
        }
    }
}

TEST_F(PreviewTest, ScrollRangeOfAWideImageKeepsItCentredAtPositionZero)
{
    Open(1000, 1000);
    model->SetViewRatio(200);
    Settle();
    SCROLLINFO info = preview->GetScrollInfo(SB_HORZ);
    EXPECT_EQ(info.nMin, -140);
    EXPECT_EQ(info.nPage, 500u);
    EXPECT_EQ(info.nMax, 639);
    EXPECT_EQ(info.nPos, 0);
    EXPECT_EQ(preview->GetScrollLimit(SB_HORZ), 140);
    // 960 DIPs high fits the view: no vertical range.
    const SCROLLINFO vertical = preview->GetScrollInfo(SB_VERT);
    EXPECT_EQ(vertical.nMax, 0);

    // Scroll requests move within [minimum, limit].
    SendMessageW(Handle(), WM_HSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(preview->GetScrollPos(SB_HORZ), 140);
    SendMessageW(Handle(), WM_HSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(preview->GetScrollPos(SB_HORZ), 140);
    SendMessageW(Handle(), WM_HSCROLL, SB_TOP, 0);
    EXPECT_EQ(preview->GetScrollPos(SB_HORZ), -140);
    SendMessageW(Handle(), WM_HSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(preview->GetScrollPos(SB_HORZ), -139);
    SendMessageW(Handle(), WM_HSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(preview->GetScrollPos(SB_HORZ), 140);

    // At the limit the image's right edge is on the view's right edge.
    cam0->Paint(Gradient);
    model->Raise(TavixCapture::PropertyId::Frame);
    Settle();
    const ScreenShot shot = ShootClient(Handle());
    RECT client = {};
    GetClientRect(Handle(), &client);
    const int row = static_cast<int>(std::floor((client.bottom - 960) / 2.0 + 2 * 50 + 1));
    EXPECT_EQ(shot.At(999, row), Rgb(Gradient(639, 50)));
    EXPECT_EQ(shot.At(998, row), Rgb(Gradient(639, 50)));
    EXPECT_EQ(shot.At(997, row), Rgb(Gradient(638, 50)));

    // Zooming out to fit removes the bar.
    model->SetViewRatio(100);
    Settle();
    info = preview->GetScrollInfo(SB_HORZ);
    EXPECT_EQ(info.nMax, 0);
    EXPECT_EQ(info.nPage, 0u);
}

TEST_F(PreviewTest, MarkerLinesInTheMarkerColourAndProfilesAtTheirChannelHeights)
{
    Open(800, 600);
    model->SetIsMarkerVisible(true);
    model->SetMarkerColor(RGB(255, 0, 0));
    model->SetMarkerPosition(100, 200);
    model->StartCapture();
    cam0->DeliverFrame(0xFF404040u);
    Settle();
    ScreenShot shot = ShootClient(Handle());
    // The lines cross at the centre of pixel (100, 200) and span the image only.
    EXPECT_EQ(shot.At(80 + 100, 60 + 10), 0xFF0000u);
    EXPECT_EQ(shot.At(80 + 100, 60 + 470), 0xFF0000u);
    EXPECT_EQ(shot.At(80 + 20, 60 + 200), 0xFF0000u);
    EXPECT_EQ(shot.At(80 + 600, 60 + 200), 0xFF0000u);
    EXPECT_EQ(shot.At(80 + 101, 60 + 10), 0x404040u);
    EXPECT_EQ(shot.At(80 + 100, 30), Teal) << "no line outside the image";

    // Profiles: a uniform frame R=200, G=120, B=40 gives flat lines that
    // many DIPs above the bottom edge (row) and right of the left edge (column).
    model->SetIsProfileVisible(true);
    cam0->DeliverFrame(0xFFC87828u);
    Settle();
    shot = ShootClient(Handle());
    const std::uint32_t base = 0xC87828u;
    const int x = 80 + 400;
    const int y = 60 + 300;
    // The stronger of a channel in two neighbouring pixels: a line may fall between them.
    const auto onLine = [&](POINT a, POINT b, int shift)
    { return std::max(Channel(shot.At(a.x, a.y), shift), Channel(shot.At(b.x, b.y), shift)); };
    for (const auto& [value, shift] : {std::pair{200, 16}, std::pair{120, 8}})
    {
        const int row = 600 - value;
        EXPECT_GT(onLine({x, row - 1}, {x, row}, shift), Channel(base, shift) + 20)
            << "row profile at " << value;
        EXPECT_EQ(shot.At(x, row - 6), base);
        EXPECT_GT(onLine({value - 1, y}, {value, y}, shift), Channel(base, shift) + 20)
            << "column profile at " << value;
        EXPECT_EQ(shot.At(value + 6, y), base);
    }
    // The blue line lies 40 DIPs from the edges, over the teal margin.
    EXPECT_GT(onLine({x, 559}, {x, 560}, 0), 0x80 + 20);

    // Hiding the marker hides the profiles too.
    model->SetIsMarkerVisible(false);
    Settle();
    shot = ShootClient(Handle());
    EXPECT_EQ(shot.At(x, 399), base);
    EXPECT_EQ(shot.At(x, 400), base);
    EXPECT_EQ(shot.At(80 + 100, 60 + 10), base);
}

// (A drag of the marker itself: AMarkerDragThatLeavesThePreview... below.)
TEST_F(PreviewTest, APressAwayFromTheMarkerPansAndADoubleClickOnItRecentresIt)
{
    Open(800, 600);
    model->SetIsMarkerVisible(true);
    // A press away from the marker pans, it does not move the marker.
    model->SetMarkerPosition(50, 60);
    Settle();
    MouseMove(Handle(), {80 + 300, 60 + 300});
    MouseDown(Handle(), {80 + 300, 60 + 300});
    MouseMove(Handle(), {80 + 320, 60 + 320});
    MouseUp(Handle(), {80 + 320, 60 + 320});
    EXPECT_EQ(model->GetMarkerPosition().x, 50);

    // Double-click on the handle: back to the middle of the frame.
    MouseMove(Handle(), {80 + 52, 60 + 61});
    DoubleClick(Handle(), {80 + 52, 60 + 61});
    EXPECT_TRUE(PumpUntil([&] { return model->GetMarkerPosition().x == 320; }));
    EXPECT_EQ(model->GetMarkerPosition().y, 240);
}

TEST_F(PreviewTest, PointerSetsTheCursorPixelTheWheelZoomsAndADragPans)
{
    Open(800, 600);
    MouseMove(Handle(), {80 + 12, 60 + 7});
    EXPECT_TRUE(model->GetIsCursorInImage());
    EXPECT_EQ(model->GetCursorPosition().x, 12);
    EXPECT_EQ(model->GetCursorPosition().y, 7);
    MouseMove(Handle(), {40, 30}); // outside the image, inside the window
    EXPECT_FALSE(model->GetIsCursorInImage());

    // 10 % a notch, compounded; half a notch is 1.1^0.5; nothing beyond the limits.
    const auto wheel = [this](int delta)
    { SendMessageW(Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(delta)), 0); };
    for (const int expected : {110, 121})
    {
        wheel(WHEEL_DELTA);
        EXPECT_EQ(model->GetViewRatio(), expected);
    }
    model->SetViewRatio(100);
    wheel(-WHEEL_DELTA);
    EXPECT_EQ(model->GetViewRatio(), 91);
    wheel(WHEEL_DELTA / 2);
    EXPECT_EQ(model->GetViewRatio(), 95);
    model->SetViewRatio(1000);
    wheel(WHEEL_DELTA);
    EXPECT_EQ(model->GetViewRatio(), 1000);
    model->SetViewRatio(10);
    wheel(-WHEEL_DELTA);
    EXPECT_EQ(model->GetViewRatio(), 10);

    model->SetViewRatio(400);
    Settle();
    MouseDown(Handle(), {400, 300});
    MouseMove(Handle(), {350, 280});
    MouseUp(Handle(), {350, 280});
    EXPECT_EQ(preview->GetScrollPos(SB_HORZ), 50);
    EXPECT_EQ(preview->GetScrollPos(SB_VERT), 20);
}

TEST_F(PreviewTest, ErrorTextOnlyWithDebugMessages)
{
    Open(400, 300);
    cam0->DeliverError(Common::Exception(static_cast<HRESULT>(E_FAIL)));
    // The model raises the error while no capture runs only when the sink is set.
    model->StartCapture();
    cam0->DeliverError(Common::Exception(static_cast<HRESULT>(E_FAIL)));
    Settle();
    EXPECT_TRUE(preview->GetDebugText().empty());

    TavixCapture::PreviewWindow debugPreview(*model, true);
    debugPreview.Create(host->GetSafeHwnd(), RECT{0, 0, 402, 302});
    cam0->DeliverError(Common::Exception(L"テスト"));
    EXPECT_TRUE(PumpUntil([&] { return !debugPreview.GetDebugText().empty(); }));
    EXPECT_EQ(debugPreview.GetDebugText().substr(0, 3), L"テスト");
    // Shown for one second after the last message, then gone.
    EXPECT_TRUE(PumpUntil([&] { return debugPreview.GetDebugText().empty(); }, 3000));
}

// A posted message can be lost on its way (a dialog closed by a sent click
// was seen to lose one): the picture must come back by itself, not stop for
// good.
TEST_F(PreviewTest, ALostFrameNotificationDoesNotStopThePicture)
{
    Open(400, 300);
    model->StartCapture();
    cam0->DeliverFrame(0xFF102030u);
    Settle();
    const std::uint64_t shown = preview->GetFramesShown();
    ASSERT_GT(shown, 0u);

    // The next frame's notification is taken from the queue and never handled.
    cam0->DeliverFrame(0xFF405060u);
    const UINT notification = Common::Mfc::Window::GetPropertyChangedMessage();
    bool lost = false;
    MSG message;
    while (PeekMessageW(&message, Handle(), notification, notification, PM_REMOVE))
    {
        lost = lost || message.lParam == static_cast<LPARAM>(TavixCapture::PropertyId::Frame);
    }
    ASSERT_TRUE(lost);

    {
        const Camera camera(*cam0, 0xFF708090u);
        EXPECT_TRUE(PumpUntil([&] { return preview->GetFramesShown() > shown + 2; }, 5000))
            << "the picture stopped with one lost notification";
    }
    Settle();
    EXPECT_EQ(ShootClient(Handle()).At(200, 150), 0x708090u);
}

// ---- failures that stay small, and the pointer through a drag ----

namespace
{
// The window suite's test plug-in, copied where the model looks for plug-ins.
void CopyDrawPlugin(const TempFolder& folder)
{
    ASSERT_TRUE(CopyFileW((TestBinaryFolder() + L"uiplugins\\drawplugin.dll").c_str(),
                          folder.File(L"TavixDrawTest.dll").c_str(), FALSE));
}

int DrawPluginCount(int which)
{
    const HMODULE plugin = GetModuleHandleW(L"TavixDrawTest.dll");
    EXPECT_NE(plugin, nullptr);
    using Count = int(__stdcall*)(int);
    const auto count =
        reinterpret_cast<Count>(reinterpret_cast<void (*)()>(GetProcAddress(plugin, "DrawPluginCount")));
    return count != nullptr ? count(which) : -1;
}
} // namespace

TEST_F(PreviewTest, AProcessorFailingToDrawAtEveryFrameIsReportedOnceByNameAndThePictureGoesOn)
{
    CopyDrawPlugin(folder);
    profile.WriteString(L"Settings", L"ProcessorName", L"描画失敗");
    const ErrorBoxWatcher person;
    Open(400, 300);
    ASSERT_EQ(
        model->GetProcessorEntries()[static_cast<std::size_t>(model->GetCurrentProcessorIndex())]->GetName(),
        L"描画失敗");
    model->StartCapture();
    std::uint64_t shown = 0;
    {
        const Camera camera(*cam0, 0xFF204060u);
        ASSERT_TRUE(PumpUntil([&] { return !person.Texts().empty(); }, 10000));
        shown = preview->GetFramesShown();
        EXPECT_TRUE(PumpUntil([&] { return preview->GetFramesShown() > shown + 10; }, 10000))
            << "the picture stopped";
    }
    Settle();
    ASSERT_EQ(person.Texts().size(), 1u) << "one report, however many frames";
    EXPECT_NE(person.Texts()[0].find(L"「描画失敗」"), std::wstring::npos) << "names the processor";
    EXPECT_TRUE(preview->IsProcessorSwitchedOff());
    EXPECT_TRUE(model->GetCurrentDevice().IsOpened()) << "capture goes on";
    EXPECT_EQ(ShootClient(Handle()).At(200, 150), 0x204060u);

    // Chosen again: it draws (and fails) again, reported once more.
    const std::int32_t failing = model->GetCurrentProcessorIndex();
    model->SelectProcessor(0);
    model->SelectProcessor(failing);
    Settle();
    cam0->DeliverFrame(0xFF204060u);
    EXPECT_TRUE(PumpUntil([&] { return person.Texts().size() == 2; }, 10000));
}

TEST_F(PreviewTest, AnOutputImageShorterThanItsStrideTimesHeightIsReportedAndTheCameraPictureShown)
{
    CopyDrawPlugin(folder);
    profile.WriteString(L"Settings", L"ProcessorName", L"出力不正");
    const ErrorBoxWatcher person;
    Open(400, 300);
    model->StartCapture();
    cam0->DeliverFrame(0xFF305070u);
    EXPECT_TRUE(PumpUntil([&] { return person.Texts().size() == 1; }, 10000));
    Settle();
    EXPECT_NE(person.Texts()[0].find(L"「出力不正」"), std::wstring::npos);
    EXPECT_EQ(ShootClient(Handle()).At(200, 150), 0x305070u);
}

// A display change or a lost device (D2DERR_RECREATE_TARGET) drops the
// render target and all that was made on it: the next paint makes it all
// again, the picture included, without waiting for another frame.
TEST_F(PreviewTest, ALostRenderTargetShowsThePictureAgainAtTheNextPaint)
{
    Open(400, 300);
    model->StartCapture();
    cam0->DeliverFrame(0xFF6080A0u);
    Settle();
    ASSERT_EQ(ShootClient(Handle()).At(200, 150), 0x6080A0u);
    const std::uint64_t shown = preview->GetFramesShown();
    SendMessageW(Handle(), WM_DISPLAYCHANGE, 32, MAKELPARAM(1280, 1024));
    Settle();
    EXPECT_EQ(ShootClient(Handle()).At(200, 150), 0x6080A0u) << "the latest frame is not in the new bitmap";
    cam0->DeliverFrame(0xFF102030u);
    Settle();
    EXPECT_EQ(ShootClient(Handle()).At(200, 150), 0x102030u) << "no new frames after the target was lost";
    EXPECT_EQ(preview->GetFramesShown(), shown + 1);
}

// Frames from ARGB32 cameras and processors carry alpha that is not
// premultiplied: a pixel with alpha 0 still shows its colour.
TEST_F(PreviewTest, APixelWithAlphaZeroShowsItsColour)
{
    Open(400, 300);
    model->StartCapture();
    cam0->DeliverFrame(0x00C08040u);
    Settle();
    EXPECT_EQ(ShootClient(Handle()).At(200, 150), 0xC08040u);
}

TEST_F(PreviewTest, AMarkerDragThatLeavesThePreviewClampsAndFollowsThePointerBackIn)
{
    Open(800, 600);
    model->SetIsMarkerVisible(true);
    model->SetMarkerPosition(100, 100);
    Settle();
    MouseMove(Handle(), {80 + 110, 60 + 105});
    MouseDown(Handle(), {80 + 110, 60 + 105});
    MouseMove(Handle(), {80 + 200, 60 + 150});
    EXPECT_EQ(model->GetMarkerPosition().x, 200);
    // Out of the window to the left and below: the marker holds the image's edge.
    MouseMove(Handle(), {-1, 700});
    EXPECT_EQ(model->GetMarkerPosition().x, 0);
    EXPECT_EQ(model->GetMarkerPosition().y, 479);
    EXPECT_FALSE(model->GetIsCursorInImage());
    // Back in: the drag goes on.
    MouseMove(Handle(), {80 + 300, 60 + 250});
    EXPECT_EQ(model->GetMarkerPosition().x, 300);
    EXPECT_EQ(model->GetMarkerPosition().y, 250);
    MouseUp(Handle(), {80 + 300, 60 + 250});
    EXPECT_EQ(GetCapture(), nullptr) << "the mouse is given back";
    MouseMove(Handle(), {80 + 400, 60 + 400});
    EXPECT_EQ(model->GetMarkerPosition().x, 300) << "the drag ended with the button";
}

TEST_F(PreviewTest, TheProcessorSeesMatchedEnterLeaveDownAndUpThroughADragOutOfThePreview)
{
    CopyDrawPlugin(folder);
    profile.WriteString(L"Settings", L"ProcessorName", L"記録");
    Open(400, 300);
    MouseMove(Handle(), {200, 150});
    EXPECT_EQ(DrawPluginCount(0), 1);
    MouseDown(Handle(), {200, 150});
    MouseMove(Handle(), {600, 150}); // out of the preview with the button held
    MouseMove(Handle(), {650, 200});
    EXPECT_EQ(DrawPluginCount(1), 0) << "no leave while the processor holds the mouse";
    MouseUp(Handle(), {650, 200});
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(DrawPluginCount(2), 1);
    EXPECT_EQ(DrawPluginCount(3), 1);
    EXPECT_TRUE(PumpUntil([] { return DrawPluginCount(1) == 1; })) << "the leave comes with the release";
    MouseMove(Handle(), {100, 100});
    EXPECT_EQ(DrawPluginCount(0), 2);
}

// A picture 28 DIPs wider than a 400 x 300 view less a vertical bar, and 8
// DIPs higher than it less a horizontal bar, but lower than 300: the
// horizontal bar takes the height the picture needs, so the vertical bar
// comes with it, in one update, and both ranges count the other bar.
TEST_F(PreviewTest, BothScrollBarsAppearTogetherWithRightRanges)
{
    const int barWidth = GetSystemMetrics(SM_CXVSCROLL);
    const int barHeight = GetSystemMetrics(SM_CYHSCROLL);
    const int width = 400 - barWidth + 28;
    const int height = 300 - barHeight + 8;
    ASSERT_GT(width, 400);
    ASSERT_LT(height, 300);
    const auto odd = OneFormatCamera(width, height);
    Open(400, 300, odd);
    RECT client = {};
    GetClientRect(Handle(), &client);
    EXPECT_EQ(client.right, 400 - barWidth);
    EXPECT_EQ(client.bottom, 300 - barHeight);
    EXPECT_EQ(preview->GetScrollLimit(SB_HORZ) - preview->GetScrollInfo(SB_HORZ).nMin, 28);
    EXPECT_EQ(preview->GetScrollLimit(SB_VERT) - preview->GetScrollInfo(SB_VERT).nMin, 8);
    // Scrolled to the bottom-right corner, the image's last pixel is in the view's corner.
    odd->Paint(Gradient);
    model->StartCapture();
    odd->Deliver();
    SendMessageW(Handle(), WM_HSCROLL, SB_BOTTOM, 0);
    SendMessageW(Handle(), WM_VSCROLL, SB_BOTTOM, 0);
    Settle();
    EXPECT_EQ(ShootClient(Handle()).At(client.right - 1, client.bottom - 1),
              Rgb(Gradient(width - 1, height - 1)));
}

// An 8000-pixel-wide frame at 1000 %: 80000 DIPs, scroll positions far
// beyond the 16 bits of a scroll message. The thumb dragged to the end and
// released there shows the image's right edge.
TEST_F(PreviewTest, TheThumbReleasedAtTheEndOfAWideRangeKeepsItsPlace)
{
    const auto wide = OneFormatCamera(8000, 60);
    Open(400, 300, wide);
    model->SetViewRatio(1000);
    Settle();
    // The last 20 columns red (still there if the display needs the frame scaled down).
    wide->Paint([](int x, int) { return x < 7980 ? 0xFF0000FFu : 0xFFFF0000u; });
    model->StartCapture();
    wide->Deliver();
    Settle();
    const int limit = preview->GetScrollLimit(SB_HORZ);
    ASSERT_GT(limit, 32767);

    // Drag the thumb from the middle of the bar to beyond its right end, and release.
    RECT client = {};
    GetClientRect(Handle(), &client);
    const int barY = client.bottom + GetSystemMetrics(SM_CYHSCROLL) / 2;
    // Position 0 is the middle of the range: the thumb is in the middle of the bar.
    ASSERT_EQ(preview->GetScrollPos(SB_HORZ), 0);
    MouseMove(Handle(), {client.right / 2, barY});
    // The bar tracks the thumb in a loop of its own until the button is up:
    // the rest of the drag is posted from that loop.
    int step = 0;
    const POINT end = {client.right + 10, barY}; // beyond the bar's end, near enough to keep the thumb
    const TimerStep person(
        [&]
        {
            PostMouseInput(Handle(), end, step == 0 ? 0 : MOUSEEVENTF_LEFTUP);
            return ++step == 2;
        });
    PostMouseInput(Handle(), {client.right / 2, barY}, MOUSEEVENTF_LEFTDOWN);
    EXPECT_TRUE(PumpUntil([&] { return person.Done(); }));
    Settle();
    EXPECT_EQ(preview->GetScrollPos(SB_HORZ), limit);
    // The image's right edge at the view's right edge.
    const ScreenShot shot = ShootClient(Handle());
    EXPECT_EQ(shot.At(client.right - 2, 20), 0xFF0000u);
    EXPECT_EQ(shot.At(client.right - 250, 20), 0x0000FFu);
}

// A frame wider than the largest bitmap a render target takes (16384 pixels
// on Direct3D 10 hardware, 8192 under Wine) is shown scaled down, without an
// error: here 16500 pixels at 10 %, red, a green band and blue.
TEST_F(PreviewTest, AFrameWiderThanTheLargestBitmapIsShownScaledDown)
{
    const ErrorBoxWatcher person;
    const auto huge = OneFormatCamera(16500, 400);
    Open(400, 300, huge);
    model->SetViewRatio(10);
    Settle();
    huge->Paint([](int x, int) { return x < 8000 ? 0xFFFF0000u : x < 8500 ? 0xFF00FF00u : 0xFF0000FFu; });
    model->StartCapture();
    huge->Deliver();
    Settle();
    EXPECT_GT(preview->GetReduction(), 1u);
    // Position 0 centres the image: its column 8250 is in the view's middle.
    RECT client = {};
    GetClientRect(Handle(), &client);
    const int middle = client.right / 2;
    const ScreenShot shot = ShootClient(Handle());
    EXPECT_EQ(shot.At(middle, client.bottom / 2), 0x00FF00u);
    EXPECT_EQ(shot.At(middle - 60, client.bottom / 2), 0xFF0000u);
    EXPECT_EQ(shot.At(middle + 60, client.bottom / 2), 0x0000FFu);
    EXPECT_TRUE(person.Texts().empty());
}
