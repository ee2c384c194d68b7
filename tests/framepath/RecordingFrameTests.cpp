// Recording every frame on the delivery thread of the real DirectShow
// backend: a save that fails on every frame (a folder that is not there, as
// a full disk would) is told once, with the text, after the windows have
// been told of the frame, and recording goes on.
#include "directshow/VirtualCameraRegistration.h"
#include "support/NotifiedWindow.h"
#include "support/TempFolder.h"

#include "app/CaptureBackendFactory.h"
#include "app/MainModel.h"

#include <gtest/gtest.h>

using TavixCapture::PropertyId;

TEST(FramePathRecording, ASaveFailingOnEveryFrameIsToldOnceAndRecordingGoesOn)
{
    VirtualCameraRegistration registration;
    TestSupport::TempFolder folder;
    const TavixCapture::IniProfile profile(folder.File(L"TavixCapture.ini"));
    TavixCapture::MainModel model(profile, TavixCapture::CreateCaptureBackend, 1, true, false, folder.Path());
    NotifiedWindow window;
    int frames = 0, errors = 0, recordingChanges = 0;
    window.onNotification = [&](std::int32_t id)
    {
        frames += id == static_cast<std::int32_t>(PropertyId::Frame) ? 1 : 0;
        errors += id == static_cast<std::int32_t>(PropertyId::ErrorMessage) ? 1 : 0;
        recordingChanges += id == static_cast<std::int32_t>(PropertyId::IsRecording) ? 1 : 0;
    };
    model.AddListener(&window);
    model.SetSaveTarget(1);
    model.SetFileFormat(2); // PNG
    model.StartRecording(folder.File(L"missing\\"));
    ASSERT_TRUE(model.GetIsRecording());
    window.PumpQueued();
    recordingChanges = 0;

    model.StartCapture();
    const bool flowed =
        window.PumpUntil([&] { return model.GetDeliveredFrameCount() >= 30; }, nullptr, 20000);
    model.StopCapture();
    window.PumpQueued();

    ASSERT_TRUE(flowed) << "frames: " << model.GetDeliveredFrameCount();
    EXPECT_EQ(errors, 1) << "every failing frame was announced";
    EXPECT_NE(model.GetErrorText(), L"");
    EXPECT_TRUE(model.GetIsRecording()) << "a failed save must not end the recording";
    EXPECT_EQ(recordingChanges, 0);
    EXPECT_GE(frames, 1) << "the windows are told of a frame before it is saved";
}
