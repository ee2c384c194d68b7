// The backend-neutral capture model: format display names (the persisted
// identity of a format) and frame sizing. The duplicate rule, the size cap
// and the sink are tested with each backend's own devices.
#include "support/FakeCapture.h"
#include "support/FramePixels.h"

#include "Common/capture/CameraControls.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using TestSupport::FakeDevice;
using TestSupport::FakeFrameFormat;
using TestSupport::PixelAt;

TEST(FrameFormatName, FollowsTheStreamsDefaultNotation)
{
    EXPECT_EQ(FakeFrameFormat(L"YUY2", 640, 480, 30.0).GetName(), L"YUY2 640x480 (30fps)");
    EXPECT_EQ(FakeFrameFormat(L"RGB24", 320, 240, 1.0 / 3.0).GetName(), L"RGB24 320x240 (0.333333fps)");
    EXPECT_EQ(FakeFrameFormat(L"Unknown", 1, 1, 1e7).GetName(), L"Unknown 1x1 (1e+07fps)");
}

// The cap on a side that every backend's list applies is checked in the
// Media Foundation listing test; here the frame of the largest side.
TEST(FrameSizeLimit, TheLargestSideHasAStrideThatFitsAndALargerFrameIsRefused)
{
    Common::FrameBuffer frame;
    frame.Resize(32768, 1);
    EXPECT_EQ(frame.stride, 131072);
    EXPECT_EQ(frame.pixels.size(), 131072u);
    EXPECT_THROW(frame.Resize(0x20000000, 1), Common::Exception) << "4 x width passes 2^31";
    EXPECT_EQ(frame.width, 32768) << "a refused size leaves the buffer as it was";
    EXPECT_EQ(frame.stride, 131072);
}

TEST(DeviceFrame, IsSizedForTheSelectedFormatAndOpaqueBlack)
{
    FakeDevice device(L"cam", L"path",
                      {{L"YUY2", 640, 480, 30.0}, {L"YUY2", 640, 480, 15.0}, {L"NV12", 2, 2, 30}});
    Common::FrameBuffer frame = TestSupport::LatestFrame(device);
    EXPECT_EQ(frame.width, 640);
    EXPECT_EQ(frame.height, 480);
    EXPECT_EQ(frame.stride, 2560);
    EXPECT_EQ(frame.pixels, TestSupport::FilledFrame(640, 480, 0xFF000000u).pixels);

    device.DeliverFrame(0x11223344);
    device.SelectFrameFormat(1);
    EXPECT_EQ(TestSupport::PixelAt(TestSupport::LatestFrame(device), 5, 3), 0x11223344u)
        << "same size keeps the previous image";

    device.SelectFrameFormat(2);
    frame = TestSupport::LatestFrame(device);
    EXPECT_EQ(frame.stride, 8);
    EXPECT_EQ(frame.pixels, TestSupport::FilledFrame(2, 2, 0xFF000000u).pixels) << "a new size is black";
}

// A copy taken while frames arrive and the format changes is one whole frame
// of one format, copied into the same memory once it has the room; a part
// outside the frame copies nothing.
TEST(DeviceFrame, ACopyIsOneWholeFrameOfOneFormatAndAPartMustLieInside)
{
    FakeDevice device(L"cam", L"path", {{L"YUY2", 64, 48, 30.0}, {L"NV12", 16, 8, 30.0}});
    std::atomic<bool> stop = false;
    std::thread delivery(
        [&]
        {
            for (std::uint32_t value = 1; !stop; ++value)
            {
                device.DeliverFrame(0xFF000000u | value);
            }
        });
    Common::FrameBuffer copy;
    int torn = 0;
    for (int i = 0; i < 4000; ++i)
    {
        if (i % 500 == 0)
        {
            device.SelectFrameFormat((i / 500) % 2);
        }
        device.CopyLatestFrame(copy);
        const bool oneFormat =
            (copy.width == 64 && copy.height == 48) || (copy.width == 16 && copy.height == 8);
        const Common::FrameBuffer whole =
            TestSupport::FilledFrame(copy.width, copy.height, PixelAt(copy, 0, 0));
        torn += !oneFormat || copy.stride != copy.width * 4 || copy.pixels != whole.pixels;
    }
    stop = true;
    delivery.join();
    EXPECT_EQ(torn, 0);

    device.CopyLatestFrame(copy);
    const std::uint8_t* memory = copy.pixels.data();
    device.DeliverFrame(0xFF0000FFu);
    device.CopyLatestFrame(copy);
    EXPECT_EQ(copy.pixels.data(), memory) << "no new allocation for a frame of the same size";

    device.SetPixel(15, 7, 0xFF00FF00u);
    ASSERT_TRUE(device.CopyLatestFrame(copy, {15, 7, 1, 1}));
    EXPECT_EQ(copy.width, 1);
    EXPECT_EQ(PixelAt(copy, 0, 0), 0xFF00FF00u);
    EXPECT_FALSE(device.CopyLatestFrame(copy, {15, 7, 2, 1}));
    EXPECT_FALSE(device.CopyLatestFrame(copy, {-1, 0, 1, 1}));
    EXPECT_EQ(PixelAt(copy, 0, 0), 0xFF00FF00u) << "left as it was";
}

// A setting restored from elsewhere lands inside the camera's range, on a step.
TEST(CameraProperty, ClampKeepsTheRangeAndTheStepAndExposureIsLog2Seconds)
{
    Common::CameraProperty gain;
    gain.minimum = -10;
    gain.maximum = 20;
    gain.step = 4;
    EXPECT_EQ(gain.Clamp(-50), -10);
    EXPECT_EQ(gain.Clamp(1), 2) << "half a step rounds up";
    EXPECT_EQ(gain.Clamp(-1), -2);
    EXPECT_EQ(gain.Clamp(19), 18) << "the last whole step inside the range";
    EXPECT_EQ(gain.Clamp(99), 18);
    EXPECT_DOUBLE_EQ(Common::CameraProperty::ExposureSeconds(-5), 1.0 / 32);
    EXPECT_DOUBLE_EQ(Common::CameraProperty::ExposureSeconds(1), 2.0);
}

TEST(CameraControls, ASourceWithoutTheInterfacesSupportsNothing)
{
    const Common::CameraControls none(nullptr);
    EXPECT_FALSE(none.HasAny());
    EXPECT_EQ(none.GetProperties().size(), static_cast<std::size_t>(Common::CameraProperty::Count));
    EXPECT_THROW(Common::CameraControls(nullptr).SetProperty(Common::CameraPropertyId::Gain, 1, false),
                 Common::Exception);
}
