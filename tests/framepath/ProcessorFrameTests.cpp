// The processor's place on the road of a frame: the model takes the profiles
// from the frame as delivered, then the current processor's Process runs
// once on it, whatever it answers, then the windows are told.
#include "ProbeLibrary.h"
#include "support/FakeCameras.h"
#include "support/FramePixels.h"
#include "support/NotifiedWindow.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using TavixCapture::PropertyId;

namespace
{
constexpr std::uint32_t Stamp = 0xFF00FF00u;

std::uint32_t FrameValue(int i)
{
    return 0xFF000000u | static_cast<std::uint32_t>(i * 7919);
}

} // namespace

TEST(ProcessorFrame, ProcessSeesEveryFrameOnceAfterTheProfilesAndBeforeTheWindowsAndMayFail)
{
    // A model with the probe's processor "記録A" current and a window listening.
    FrameProbeLog& probe = ProbeLibrary::Log();
    probe.Reset();
    TestSupport::FakeCameras cameras;
    const auto model = cameras.MakeModel(ProbeLibrary::Folder());
    model->SelectProcessorByName(L"記録A");
    ASSERT_EQ(model->GetCurrentProcessorIndex(), 1);
    NotifiedWindow window;
    model->AddListener(&window);
    window.PumpQueued();
    constexpr int Frames = 300;
    model->SetMarkerPosition(5, 0); // the row the processor paints
    std::vector<int> processedWhenTold;
    window.onNotification = [&](std::int32_t id)
    {
        if (id == static_cast<std::int32_t>(PropertyId::Frame))
        {
            processedWhenTold.push_back(probe.processed);
        }
    };
    probe.stamp = Stamp;
    probe.failEvery = 2; // a failing Process is told and the next frame processed
    model->StartCapture();
    for (int i = 0; i < Frames; ++i)
    {
        cameras.cam0->DeliverFrame(FrameValue(i));
        window.PumpQueued();
    }
    model->StopCapture();
    window.PumpQueued();

    ASSERT_EQ(probe.processed, Frames);
    EXPECT_EQ(probe.failed, Frames / 2);
    EXPECT_EQ(probe.withoutHost, 0);
    EXPECT_EQ(model->GetErrorText().rfind(L"処理「記録A」が失敗しました。", 0), 0u)
        << "a failing Process is told, and the frames go on";
    int outOfPlace = 0;
    for (int i = 0; i < Frames; ++i)
    {
        outOfPlace += probe.firstPixels[i] != FrameValue(i) ? 1 : 0;
    }
    EXPECT_EQ(outOfPlace, 0) << "a frame was processed twice, skipped or out of order";
    // Every frame was taken by the window after its Process had run.
    ASSERT_EQ(processedWhenTold.size(), static_cast<std::size_t>(Frames));
    for (int i = 0; i < Frames; ++i)
    {
        ASSERT_EQ(processedWhenTold[static_cast<std::size_t>(i)], i + 1) << "frame " << i;
    }
    // The profiles show the frame as delivered; the device's frame is the processed one.
    std::vector<std::uint32_t> row, column;
    model->CopyProfiles(row, column);
    EXPECT_EQ(row[100], FrameValue(Frames - 1));
    EXPECT_EQ(column[0], FrameValue(Frames - 1));
    EXPECT_EQ(TestSupport::PixelAt(TestSupport::LatestFrame(*cameras.cam0), 100, 0), Stamp);
    EXPECT_EQ(window.malformed, 0);
}
