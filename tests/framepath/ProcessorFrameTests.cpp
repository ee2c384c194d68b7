// The processor's place on the road of a frame: the model takes the profiles
// from the frame as delivered, then the current processor's Process runs
// once on it, whatever it answers, then the windows are told.
#include "FakeModel.h"
#include "NotifiedWindow.h"

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

TEST(ProcessorOnTheFramePath, ProcessSeesEveryFrameOnceAfterTheProfilesAndBeforeTheWindows)
{
    constexpr int Frames = 300;
    FrameProbeLog& probe = FakeModel::ProbeLog();
    probe.Reset();
    FakeModel fake(true);
    TavixCapture::MainModel& model = *fake.model;
    model.SelectProcessorByName(L"記録A");
    ASSERT_EQ(model.GetCurrentProcessorIndex(), 1);
    model.SetMarkerPosition(5, 0); // the row the processor paints
    NotifiedWindow window;
    std::vector<std::int32_t> ids;
    std::vector<int> processedWhenTold;
    window.onNotification = [&](std::int32_t id)
    {
        ids.push_back(id);
        if (id == static_cast<std::int32_t>(PropertyId::Frame))
        {
            processedWhenTold.push_back(probe.processed);
        }
    };
    model.AddListener(&window);
    window.PumpQueued();
    ids.clear();

    probe.stamp = Stamp;
    model.StartCapture();
    for (int i = 0; i < Frames; ++i)
    {
        fake.cam0->DeliverFrame(FrameValue(i));
        window.PumpQueued();
    }
    model.StopCapture();
    window.PumpQueued();

    ASSERT_EQ(probe.processed, Frames);
    EXPECT_EQ(probe.withoutHost, 0);
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
    model.CopyProfiles(row, column);
    EXPECT_EQ(row[100], FrameValue(Frames - 1));
    EXPECT_EQ(column[0], FrameValue(Frames - 1));
    {
        Common::AutoLock lock(fake.cam0->frameLock);
        std::uint32_t painted;
        std::memcpy(&painted, fake.cam0->frame.pixels.data() + 100 * 4, 4);
        EXPECT_EQ(painted, Stamp);
    }
    EXPECT_EQ(window.malformed, 0);
}

TEST(ProcessorOnTheFramePath, AFailingProcessIsIgnoredAndTheNextFrameProcessed)
{
    FrameProbeLog& probe = FakeModel::ProbeLog();
    probe.Reset();
    FakeModel fake(true);
    TavixCapture::MainModel& model = *fake.model;
    model.SelectProcessorByName(L"記録B");
    ASSERT_EQ(model.GetCurrentProcessorIndex(), 2);
    NotifiedWindow window;
    int frameNotifications = 0;
    int errorNotifications = 0;
    window.onNotification = [&](std::int32_t id)
    {
        frameNotifications += id == static_cast<std::int32_t>(PropertyId::Frame) ? 1 : 0;
        errorNotifications += id == static_cast<std::int32_t>(PropertyId::ErrorMessage) ? 1 : 0;
    };
    model.AddListener(&window);
    window.PumpQueued();

    probe.failEvery = 2;
    model.StartCapture();
    for (int i = 0; i < 40; ++i)
    {
        fake.cam0->DeliverFrame(FrameValue(i));
        window.PumpQueued();
    }
    model.StopCapture();
    window.PumpQueued();

    EXPECT_EQ(probe.processed, 40);
    EXPECT_EQ(probe.failed, 20);
    EXPECT_EQ(probe.firstPixels[39], FrameValue(39));
    EXPECT_EQ(frameNotifications, 40);
    EXPECT_EQ(errorNotifications, 0);
    EXPECT_EQ(model.GetErrorText(), L"");
    EXPECT_EQ(model.GetDeliveredFrameCount(), 40u);
}
