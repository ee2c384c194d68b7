// The backend-neutral capture model: format display names (the persisted
// identity of a format) and frame sizing. The duplicate rule, the size cap
// and the sink are tested with each backend's own devices.
#include "support/FakeCapture.h"
#include "support/FramePixels.h"

#include "Common/capture/CameraControls.h"

#include <gtest/gtest.h>

using TestSupport::FakeDevice;
using TestSupport::FakeFrameFormat;

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
    EXPECT_EQ(device.frame.width, 640);
    EXPECT_EQ(device.frame.height, 480);
    EXPECT_EQ(device.frame.stride, 2560);
    EXPECT_EQ(device.frame.pixels, TestSupport::FilledFrame(640, 480, 0xFF000000u).pixels);

    device.DeliverFrame(0x11223344);
    device.selectedFormatIndex = 1;
    device.ApplyFrameFormat();
    EXPECT_EQ(TestSupport::PixelAt(device.frame, 5, 3), 0x11223344u) << "same size keeps the previous image";

    device.selectedFormatIndex = 2;
    device.ApplyFrameFormat();
    EXPECT_EQ(device.frame.stride, 8);
    EXPECT_EQ(device.frame.pixels, TestSupport::FilledFrame(2, 2, 0xFF000000u).pixels)
        << "a new size is black";
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
