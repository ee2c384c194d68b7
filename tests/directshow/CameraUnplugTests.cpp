// The virtual camera unplugged while the DirectShow backend streams from it:
// the graph's report ends the stream once with the removal's text, nothing
// is delivered afterwards and the camera leaves the listing;
// plugged back, a new listing has it again and it streams.
#include "VirtualCameraRegistration.h"
#include "support/TestSink.h"

#include "Common/capture/directshow/DirectShowDevice.h"
#include "Common/capture/directshow/DirectShowVideoCapture.h"

#include <gtest/gtest.h>

#include <memory>

using Common::DirectShowVideoCapture;
using TestSupport::TestSink;

namespace
{

class DirectShowCameraUnplug : public VirtualCameraSuite
{
protected:
    void SetUp() override
    {
        capture_ = std::make_unique<DirectShowVideoCapture>(false, false);
        const std::size_t index = FindVirtualCamera(*capture_);
        ASSERT_LT(index, capture_->devices.size());
        camera_ = capture_->devices[index];
        sink_.Register(*camera_);
    }
    void TearDown() override { EXPECT_HRESULT_SUCCEEDED(registration->Replug()); }

    TestSink sink_; // outlives the devices
    std::unique_ptr<DirectShowVideoCapture> capture_;
    std::shared_ptr<Common::Device> camera_;
};

TEST_F(DirectShowCameraUnplug, EndsTheStreamOnceAndComesBackInANewListing)
{
    camera_->Open();
    ASSERT_TRUE(sink_.WaitForFrames(3));

    ASSERT_HRESULT_SUCCEEDED(registration->Unplug());
    ASSERT_TRUE(sink_.WaitForErrors(1));
    EXPECT_FALSE(camera_->IsOpened());
    ASSERT_EQ(sink_.GetErrors().size(), 1u);
    EXPECT_EQ(sink_.GetStreamEndCount(), 1);
    EXPECT_EQ(sink_.GetErrors()[0].ErrorCode, HRESULT_FROM_WIN32(ERROR_DEVICE_REMOVED));
    EXPECT_EQ(sink_.GetErrors()[0].Message.rfind(L"カメラが取り外されました。", 0), 0u);
    const int framesAtLoss = sink_.GetFrameCount();

    // The graph is stopped by the next Close, which reports nothing more.
    // (Windows refuses a start of the camera that is gone; Wine's graph
    // lets it run without frames, so a start is not tried here.)
    EXPECT_NO_THROW(camera_->Close());
    EXPECT_EQ(sink_.GetFrameCount(), framesAtLoss);
    EXPECT_EQ(sink_.GetErrors().size(), 1u);
    {
        const DirectShowVideoCapture without(false, false);
        EXPECT_EQ(FindVirtualCamera(without), without.devices.size());
    }

    ASSERT_HRESULT_SUCCEEDED(registration->Replug());
    DirectShowVideoCapture with(false, false);
    const std::size_t index = FindVirtualCamera(with);
    ASSERT_LT(index, with.devices.size());
    TestSink again;
    again.Register(*with.devices[index]);
    with.devices[index]->Open();
    EXPECT_TRUE(again.WaitForFrames(3));
    with.devices[index]->Close();
    with.devices[index]->ClearSink();
}

TEST_F(DirectShowCameraUnplug, AClosedCameraThatIsPulledReportsNothing)
{
    camera_->Open();
    ASSERT_TRUE(sink_.WaitForFrames(1));
    camera_->Close();
    ASSERT_HRESULT_SUCCEEDED(registration->Unplug());
    ASSERT_HRESULT_SUCCEEDED(registration->Replug());
    // The camera is back before anything could have been told: it streams again.
    camera_->Open();
    const int before = sink_.GetFrameCount();
    EXPECT_TRUE(sink_.WaitForFrames(before + 3));
    camera_->Close();
    EXPECT_TRUE(sink_.GetErrors().empty());
}

} // namespace
