// Cameras that come and go while the model runs: the list read again follows
// them, the preferred camera (saved, or chosen by hand) and its format are
// kept while the program runs on another and taken back when it returns, and
// capture resumes on a camera that was unplugged while capturing.
#include "ModelFixture.h"

#include "Common/capture/CaptureFailure.h"

#include <algorithm>
#include <thread>
#include <vector>

using TestSupport::FakeDevice;
using TestSupport::FormatInfo;

namespace
{

class HotplugTest : public ModelTest
{
protected:
    // The model lists what is plugged in at the moment it asks.
    std::unique_ptr<TavixCapture::MainModel> MakeModel()
    {
        return std::make_unique<TavixCapture::MainModel>(
            profile,
            [this](std::int32_t, bool, bool)
            {
                auto capture = std::make_unique<Common::VideoCapture>();
                capture->devices.assign(plugged.begin(), plugged.end());
                return capture;
            },
            0, true, false, folder.Path());
    }
    // A new object of cam0's camera, as the platform lists one that came back;
    // its path differs from the first in case only.
    std::shared_ptr<FakeDevice> Cam0Again() const
    {
        return std::make_shared<FakeDevice>(
            L"Camera 0", L"\\\\?\\CAM0",
            std::initializer_list<FormatInfo>{{L"YUY2", 640, 480, 30.0}, {L"YUY2", 320, 240, 30.0}});
    }
    static void Unplug(FakeDevice& device)
    {
        std::thread(
            [&] { device.EndStream(Common::CaptureFailure::Make(HRESULT_FROM_WIN32(ERROR_DEVICE_REMOVED))); })
            .join();
    }

    std::vector<std::shared_ptr<Common::Device>> plugged;
};

TEST_F(HotplugTest, ASavedCameraAbsentAtStartKeepsItsPlaceAndIsTakenWhenItArrives)
{
    plugged = {cam0, cam1};
    {
        auto first = MakeModel();
        first->SelectDevice(1);
        first->SelectFrameFormat(0);
    }
    // Started without it: the program runs on cam0, the INI keeps cam1.
    plugged = {cam0};
    {
        auto model = MakeModel();
        EXPECT_EQ(&model->GetCurrentDevice(), cam0.get());
        model->SelectFrameFormat(1);
    }
    EXPECT_EQ(profile.ReadString(L"Settings", L"CaptureDeviceName", L""), cam1->path);
    EXPECT_EQ(profile.ReadString(L"Settings", L"FrameFormatName", L""), cam1->GetFormats()[0]->GetName());

    auto model = MakeModel();
    NotifiedWindow window;
    Listen(*model, window);
    model->StartCapture();
    plugged = {cam0, cam1};
    model->RefreshDevices();
    ASSERT_EQ(model->GetCapture().devices.size(), 2u);
    EXPECT_EQ(&model->GetCurrentDevice(), cam1.get());
    EXPECT_EQ(model->GetCurrentDevice().GetSelectedFormat()->GetName(), cam1->GetFormats()[0]->GetName());
    EXPECT_TRUE(cam1->IsOpened()) << "capture goes on on the camera taken back";
    EXPECT_FALSE(cam0->IsOpened());
    const Ids told = window.Drain();
    EXPECT_NE(std::find(told.begin(), told.end(), PropertyId::CaptureDevice), told.end());
    model->StopCapture();
}

TEST_F(HotplugTest, ACameraUnpluggedWhileCapturingComesBackWithItsFormatAndCaptures)
{
    plugged = {cam0, cam1};
    auto model = MakeModel();
    model->SelectFrameFormat(1);
    model->StartCapture();
    cam0->DeliverFrame(0xFF102030u);

    Unplug(*cam0);
    plugged = {cam1};
    EXPECT_TRUE(model->TakeCameraRemoval());
    EXPECT_FALSE(model->TakeCameraRemoval()) << "once";
    EXPECT_EQ(model->GetCaptureNotice(), L"カメラが取り外されました");
    // Meanwhile on the other camera, without capturing; cam0 stays preferred.
    ASSERT_EQ(model->GetCapture().devices.size(), 1u);
    EXPECT_EQ(&model->GetCurrentDevice(), cam1.get());
    EXPECT_FALSE(cam1->IsOpened());

    const auto back = Cam0Again();
    plugged = {back, cam1};
    model->RefreshDevices();
    EXPECT_EQ(&model->GetCurrentDevice(), back.get());
    EXPECT_EQ(model->GetCurrentDevice().GetSelectedFormat()->GetName(), L"YUY2 320x240 (30fps)");
    EXPECT_TRUE(back->IsOpened());
    EXPECT_TRUE(model->GetCaptureNotice().empty());
    const std::uint64_t delivered = model->GetDeliveredFrameCount();
    back->DeliverFrame(0xFF405060u);
    EXPECT_EQ(model->GetDeliveredFrameCount(), delivered + 1);
    model->StopCapture();
}

TEST_F(HotplugTest, TheOnlyCameraUnpluggedIsWaitedForNotStartedAgain)
{
    plugged = {cam0};
    auto model = MakeModel();
    model->StartCapture();
    Unplug(*cam0);
    cam0->failOpen = true; // a camera that is gone cannot start
    plugged = {};
    EXPECT_NO_THROW(EXPECT_TRUE(model->TakeCameraRemoval()));
    EXPECT_NO_THROW(model->RefreshDevices());
    EXPECT_EQ(&model->GetCurrentDevice(), cam0.get());
    EXPECT_FALSE(cam0->IsOpened());

    const auto back = Cam0Again();
    plugged = {back};
    model->RefreshDevices();
    EXPECT_TRUE(back->IsOpened());
    EXPECT_EQ(model->GetCapture().devices.size(), 1u);
    model->StopCapture();
}

TEST_F(HotplugTest, AStreamingCameraThatAListingMissesCapturesOnUntilItsStreamEnds)
{
    plugged = {cam0, cam1};
    auto model = MakeModel();
    model->StartCapture();
    plugged = {cam1}; // cam0 busy, or listed a moment late
    model->RefreshDevices();
    EXPECT_EQ(&model->GetCurrentDevice(), cam0.get());
    EXPECT_TRUE(cam0->IsOpened());
    EXPECT_FALSE(cam1->IsOpened()) << "capture does not move to another camera";
    EXPECT_EQ(model->GetCapture().devices.size(), 2u);

    Unplug(*cam0); // its stream then says it was pulled
    EXPECT_TRUE(model->TakeCameraRemoval());
    EXPECT_EQ(&model->GetCurrentDevice(), cam1.get());
    EXPECT_EQ(model->GetCapture().devices.size(), 1u);
}

TEST_F(HotplugTest, ACameraChosenByHandReplacesThePreferredOne)
{
    plugged = {cam0, cam1};
    auto model = MakeModel();
    model->StartCapture();
    Unplug(*cam0);
    plugged = {cam1};
    model->TakeCameraRemoval();
    model->SelectDevice(0); // cam1, by hand
    plugged = {Cam0Again(), cam1};
    model->RefreshDevices();
    EXPECT_EQ(&model->GetCurrentDevice(), cam1.get());
    EXPECT_FALSE(cam1->IsOpened()) << "nothing resumes on a camera the user left";
    model.reset();
    EXPECT_EQ(profile.ReadString(L"Settings", L"CaptureDeviceName", L""), cam1->path);
}

} // namespace
