// Recording every frame on the delivery thread: a save that fails is told
// like any error of the delivery thread (the text and notification 4), the
// windows have already been told of the frame, and recording goes on.
#include "FakeModel.h"
#include "NotifiedWindow.h"
#include "directshow/VirtualCameraRegistration.h"

#include "app/CaptureBackendFactory.h"

#include <gtest/gtest.h>

using TavixCapture::PropertyId;

TEST(FramePathRecording, AFailingSaveIsReportedAndRecordingGoesOn)
{
    VirtualCameraRegistration registration;
    TestSupport::TempFolder folder;
    const TavixCapture::IniProfile profile(folder.File(L"TavixCapture.ini"));
    TavixCapture::MainModel model(profile, TavixCapture::CreateCaptureBackend, 1, true, false, folder.Path());
    NotifiedWindow window;
    int frames = 0, errors = 0, recordingChanges = 0;
    window.onNotification = [&](std::int32_t id)
    {
        switch (static_cast<PropertyId>(id))
        {
        case PropertyId::Frame:
            ++frames;
            break;
        case PropertyId::ErrorMessage:
            ++errors;
            break;
        case PropertyId::IsRecording:
            ++recordingChanges;
            break;
        default:
            break;
        }
    };
    model.AddListener(&window);
    model.SetSaveTarget(1);
    model.SetFileFormat(2); // PNG
    model.StartRecording(folder.File(L"missing\\"));
    ASSERT_TRUE(model.GetIsRecording());
    window.PumpQueued();
    recordingChanges = 0;

    model.StartCapture();
    const bool failedThrice = window.PumpUntil([&] { return errors >= 3; }, nullptr, 20000);
    model.StopCapture();
    window.PumpQueued();

    ASSERT_TRUE(failedThrice) << "no failing save was reported; frames: " << model.GetDeliveredFrameCount();
    EXPECT_NE(model.GetErrorText(), L"");
    EXPECT_TRUE(model.GetIsRecording()) << "a failed save must not end the recording";
    EXPECT_EQ(recordingChanges, 0);
    EXPECT_GE(frames, 1) << "the windows are told of a frame before it is saved";
    EXPECT_GE(model.GetDeliveredFrameCount(), 3u);
    model.StopRecording();
    EXPECT_FALSE(model.GetIsRecording());
}
