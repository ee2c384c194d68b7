// Camera settings through the real DirectShow graph with the virtual camera:
// the settings it offers, what exposure, gain, brightness and white balance
// do to the captured picture while it streams, and automatic exposure that
// moves by itself.
#include "VirtualCameraRegistration.h"
#include "support/FramePixels.h"
#include "support/TestSink.h"

#include "Common/capture/CameraControls.h"
#include "Common/capture/directshow/DirectShowVideoCapture.h"

#include <gtest/gtest.h>

using Common::CameraPropertyId;
using TestSupport::PixelAt;

namespace
{

constexpr std::int32_t SmallFormat = 18; // "ARGB32 320x240 (15fps)", top-down

class DirectShowCameraControls : public VirtualCameraSuite
{
protected:
    void SetUp() override
    {
        const std::size_t index = FindVirtualCamera(capture_);
        ASSERT_LT(index, capture_.devices.size());
        camera_ = capture_.devices[index];
        controls_ = camera_->GetCameraControls();
        sink_.Register(*camera_);
    }
    void TearDown() override { camera_->Close(); }

    // Waits until the footer (left half black, right half white) shows
    // `black` and `white`; false with the colours last seen.
    ::testing::AssertionResult FooterBecomes(std::uint32_t black, std::uint32_t white)
    {
        std::uint32_t left = 0, right = 0;
        const bool seen = TestSupport::WaitUntil(
            [&]
            {
                const Common::FrameBuffer frame = sink_.GetLastFrame();
                if (frame.height != 240)
                {
                    return false;
                }
                left = PixelAt(frame, 40, 235);
                right = PixelAt(frame, 280, 235);
                return left == black && right == white;
            });
        if (seen)
        {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << std::hex << "footer " << left << " / " << right;
    }

    TestSupport::TestSink sink_; // outlives the camera
    Common::DirectShowVideoCapture capture_{false, false};
    std::shared_ptr<Common::Device> camera_;
    std::shared_ptr<Common::CameraControls> controls_;
};

// The ranges, the defaults and the reset are the camera page's to check (its
// suite runs over this camera); here the settings the camera takes.
TEST_F(DirectShowCameraControls, ListsTheCamerasSettingsAndSetsThemOntoItsSteps)
{
    ASSERT_TRUE(controls_->HasAny());
    const auto properties = controls_->GetProperties();
    ASSERT_EQ(properties.size(), static_cast<std::size_t>(Common::CameraProperty::Count));
    int supported = 0;
    for (const auto& property : properties)
    {
        supported += property.supported ? 1 : 0;
    }
    EXPECT_EQ(supported, 4) << "brightness, white balance, gain and exposure";

    controls_->SetProperty(CameraPropertyId::Brightness, 12, false);
    controls_->SetProperty(CameraPropertyId::WhiteBalance, 3333, false);
    controls_->SetProperty(CameraPropertyId::Exposure, 5, true);
    EXPECT_EQ(controls_->GetProperty(CameraPropertyId::Brightness).value, 12);
    EXPECT_EQ(controls_->GetProperty(CameraPropertyId::WhiteBalance).value, 3300) << "onto the camera's step";
    EXPECT_TRUE(controls_->GetProperty(CameraPropertyId::Exposure).automatic);
    EXPECT_THROW(controls_->SetProperty(CameraPropertyId::Focus, 1, false), Common::Exception);
}

TEST_F(DirectShowCameraControls, SettingsChangeThePictureWhileItStreams)
{
    camera_->SelectFrameFormat(SmallFormat);
    camera_->Open();
    ASSERT_TRUE(FooterBecomes(0xFF000000u, 0xFFFFFFFFu)) << "the defaults leave the pattern as it is";

    // One step shorter halves the light, two steps quarter it.
    controls_->SetProperty(CameraPropertyId::Exposure, -6, false);
    EXPECT_TRUE(FooterBecomes(0xFF000000u, 0xFF808080u));
    controls_->SetProperty(CameraPropertyId::Exposure, -7, false);
    EXPECT_TRUE(FooterBecomes(0xFF000000u, 0xFF404040u));
    // 16 steps of gain double it again; brightness lifts black too.
    controls_->SetProperty(CameraPropertyId::Gain, 16, false);
    controls_->SetProperty(CameraPropertyId::Brightness, 10, false);
    EXPECT_TRUE(FooterBecomes(0xFF0A0A0Au, 0xFF8A8A8Au));
    // A warm white balance setting turns white blue: red 2800/5000, blue 5000/2800.
    controls_->ResetToDefaults();
    controls_->SetProperty(CameraPropertyId::WhiteBalance, 2800, false);
    EXPECT_TRUE(FooterBecomes(0xFF000000u, 0xFF8FFFFFu));
    // Longer than the default saturates: white stays white, black stays black.
    controls_->ResetToDefaults();
    controls_->SetProperty(CameraPropertyId::Exposure, -1, false);
    EXPECT_TRUE(FooterBecomes(0xFF000000u, 0xFFFFFFFFu));
    EXPECT_TRUE(sink_.GetErrors().empty());
}

TEST_F(DirectShowCameraControls, AutomaticExposureMovesByItselfAndManualHolds)
{
    camera_->SelectFrameFormat(SmallFormat);
    camera_->Open();
    controls_->SetProperty(CameraPropertyId::Exposure, -5, true);
    EXPECT_TRUE(TestSupport::WaitUntil(
        [&] { return controls_->GetProperty(CameraPropertyId::Exposure).value != -5; }))
        << "automatic exposure never moved";
    EXPECT_TRUE(FooterBecomes(0xFF000000u, 0xFF808080u)) << "and the picture follows it";

    controls_->SetProperty(CameraPropertyId::Exposure, -8, false);
    ASSERT_TRUE(sink_.WaitForFrames(sink_.GetFrameCount() + 3 * 10));
    const auto held = controls_->GetProperty(CameraPropertyId::Exposure);
    EXPECT_EQ(held.value, -8);
    EXPECT_FALSE(held.automatic);
}

} // namespace
