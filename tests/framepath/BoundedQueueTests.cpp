// A user-interface thread slower than the camera: frames arrive as fast as a
// thread can deliver them while the window's frame handler blocks until
// twenty more frames have come. The window must keep a short queue, take
// input between frames, and see every change of state.
#include "support/FakeCameras.h"
#include "support/NotifiedWindow.h"

#include "Common/UniqueHandle.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <thread>
#include <vector>

using TavixCapture::PropertyId;

namespace
{
constexpr std::int32_t Id(PropertyId id)
{
    return static_cast<std::int32_t>(id);
}

// Takes every message queued for `window` without handling it.
std::vector<std::int32_t> TakeQueued(const Common::Mfc::Window& window, const void* sender)
{
    std::vector<std::int32_t> ids;
    MSG message;
    while (PeekMessageW(&message, window.GetSafeHwnd(), 0, 0, PM_REMOVE))
    {
        EXPECT_EQ(message.message, Common::Mfc::Window::GetPropertyChangedMessage());
        EXPECT_EQ(reinterpret_cast<const void*>(message.wParam), sender);
        ids.push_back(static_cast<std::int32_t>(message.lParam));
    }
    return ids;
}
} // namespace

TEST(BoundedQueue, ASlowWindowKeepsAShortQueueTakesInputAndSeesEveryState)
{
    constexpr int Paints = 60;
    constexpr int FramesPerHandling = 20;
    constexpr int TogglesPerHandling = 51;

    TestSupport::FakeCameras cameras;
    const auto owned = cameras.MakeModel();
    TavixCapture::MainModel& model = *owned;
    model.SelectDevice(1); // small frames: the camera outruns the window by far
    NotifiedWindow slow;
    NotifiedWindow hung; // never takes a message while frames arrive
    model.AddListener(&slow);
    model.AddListener(&hung);
    slow.PumpQueued();
    hung.PumpQueued();
    const std::uint64_t started = GetTickCount64();
    model.StartCapture();

    const Common::UniqueHandle release(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    const Common::UniqueHandle finished(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(release && finished);
    std::atomic<bool> blocked = false;
    std::atomic<bool> enough = false;

    int framesHandled = 0;
    std::uint64_t framesDeliveredWhenShown = 0;
    int toggles = 0;
    int markerNotifications = 0;
    bool markerShown = model.GetIsMarkerVisible();
    int keyPostedAt = -1;
    int keyHandledAt = -1;
    slow.onNotification = [&](std::int32_t id)
    {
        if (id == Id(PropertyId::IsMarkerVisible))
        {
            ++markerNotifications;
            markerShown = model.GetIsMarkerVisible();
        }
        if (id != Id(PropertyId::Frame))
        {
            return;
        }
        ++framesHandled;
        framesDeliveredWhenShown = model.GetDeliveredFrameCount();
        if (framesHandled == Paints)
        {
            enough = true;
        }
        if (framesHandled == 10)
        {
            keyPostedAt = framesHandled;
            EXPECT_TRUE(PostMessageW(slow.GetSafeHwnd(), WM_KEYDOWN, VK_SPACE, 0));
        }
        for (int i = 0; i < TogglesPerHandling; ++i, ++toggles)
        {
            model.SetIsMarkerVisible(!model.GetIsMarkerVisible());
        }
        // A slow paint: held until the camera has sent more frames.
        blocked = true;
        const HANDLE handles[] = {release.Get(), finished.Get()};
        EXPECT_NE(WaitForMultipleObjects(2, handles, FALSE, 30000), static_cast<DWORD>(WAIT_TIMEOUT))
            << "the delivery thread stopped sending frames";
    };
    slow.onKeyDown = [&](WPARAM) { keyHandledAt = framesHandled; };

    std::thread delivery(
        [&]
        {
            int sinceBlocked = 0;
            for (int i = 0; !enough; ++i)
            {
                cameras.cam1->DeliverFrame(0xFF000000u | static_cast<std::uint32_t>(i));
                SwitchToThread(); // a camera leaves the processor to others between frames
                if (blocked && ++sinceBlocked >= FramesPerHandling)
                {
                    sinceBlocked = 0;
                    blocked = false;
                    SetEvent(release.Get());
                }
            }
            SetEvent(finished.Get());
        });
    const bool delivered = slow.PumpUntil(
        [&] { return WaitForSingleObject(finished.Get(), 0) == WAIT_OBJECT_0; }, finished.Get(), 120000);
    delivery.join();
    ASSERT_TRUE(delivered) << "the frames did not all arrive";
    slow.PumpQueued();
    model.StopCapture();
    slow.PumpQueued();

    // One frame notification waits while the window paints; the rest were
    // never queued. The last one painted shows the last frame.
    const std::uint64_t frames = model.GetDeliveredFrameCount();
    EXPECT_GE(framesHandled, Paints);
    EXPECT_LE(framesHandled, Paints + 1);
    EXPECT_GE(frames, static_cast<std::uint64_t>(FramesPerHandling) * (Paints - 1))
        << "the window was shown more frames than it could paint";
    EXPECT_EQ(framesDeliveredWhenShown, frames) << "the last frame was not shown";
    // Input posted behind the frame notifications is taken before the next paint but one.
    ASSERT_GE(keyHandledAt, 0) << "the key never arrived";
    EXPECT_LE(keyHandledAt - keyPostedAt, 2);
    // Every change of state was delivered, and the last one shows the model's state.
    EXPECT_EQ(markerNotifications, toggles);
    EXPECT_EQ(markerShown, model.GetIsMarkerVisible());
    EXPECT_EQ(slow.malformed, 0);

    // The hung window holds every change of state in order, and of all the
    // frames a frame and a cursor-pixel notification, each posted again only
    // when the last one was not taken for LostAfterMilliseconds (it may have
    // been lost on its way): a handful, not one a frame.
    const std::uint64_t elapsed = GetTickCount64() - started;
    const auto reposts =
        static_cast<std::ptrdiff_t>(elapsed / TavixCapture::MainModel::LostAfterMilliseconds + 2);
    std::vector<std::int32_t> queued = TakeQueued(hung, &model);
    const auto cursorPixels = static_cast<std::ptrdiff_t>(std::erase(queued, Id(PropertyId::CursorPixel)));
    EXPECT_GE(cursorPixels, 1);
    EXPECT_LE(cursorPixels, reposts);
    const auto frameNotifications = static_cast<std::ptrdiff_t>(std::erase(queued, Id(PropertyId::Frame)));
    EXPECT_GE(frameNotifications, 1);
    EXPECT_LE(frameNotifications, reposts);
    std::vector<std::int32_t> expected = {Id(PropertyId::IsCapturing)};
    expected.insert(expected.end(), static_cast<std::size_t>(toggles), Id(PropertyId::IsMarkerVisible));
    expected.push_back(Id(PropertyId::IsCapturing));
    EXPECT_EQ(queued, expected);
    std::printf(
        "[ frames ] %d delivered, %d shown by the slow window, %d state changes, key after %d frames\n",
        static_cast<int>(frames), framesHandled, toggles, keyHandledAt - keyPostedAt);
}
