// The user-interface thread starts, stops and switches device, format and
// processor thousands of times while a delivery thread sends frames of both
// devices as fast as it can. A watchdog ends the process if the two ever
// wait for each other; after every StopCapture the model must stay silent.
#include "ProbeLibrary.h"
#include "support/FakeCameras.h"
#include "support/NotifiedWindow.h"
#include "support/Watchdog.h"

#include "Common/UniqueHandle.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <random>
#include <thread>

using TavixCapture::PropertyId;

TEST(FramePathStress, StartStopAndSwitchesWhileFramesFlood)
{
    constexpr int Operations = 4000;
    const TestSupport::Watchdog watchdog(240000, "the frame path");
    FrameProbeLog& probe = ProbeLibrary::Log();
    probe.Reset();
    TestSupport::FakeCameras cameras;
    const auto owned = cameras.MakeModel(ProbeLibrary::Folder());
    TavixCapture::MainModel& model = *owned;
    const auto processorCount = static_cast<std::int32_t>(model.GetProcessorEntries().size());
    ASSERT_EQ(processorCount, 3);
    NotifiedWindow window;
    int notifications = 0;
    int capturingNotifications = 0;
    window.onNotification = [&](std::int32_t id)
    {
        ++notifications;
        capturingNotifications += id == static_cast<std::int32_t>(PropertyId::IsCapturing) ? 1 : 0;
    };
    model.AddListener(&window);

    const Common::UniqueHandle tick(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    ASSERT_TRUE(tick);
    std::atomic<bool> stop = false;
    std::atomic<int> rounds = 0;
    std::thread delivery(
        [&]
        {
            for (std::uint32_t value = 0; !stop; ++value)
            {
                cameras.cam0->DeliverFrame(0xFF000000u | value);
                cameras.cam1->DeliverFrame(0xFF000000u | value);
                ++rounds;
                SetEvent(tick.Get());
            }
        });

    std::mt19937 random(20261207);
    int starts = 0, stops = 0, deviceSwitches = 0, formatSwitches = 0, processorSwitches = 0;
    int silentChecks = 0, framesAfterStop = 0;
    for (int i = 0; i < Operations; ++i)
    {
        switch (random() % 6)
        {
        case 0:
        case 1:
            model.StartCapture();
            ++starts;
            break;
        case 2:
        {
            model.StopCapture();
            ++stops;
            // Three more rounds of the delivery thread, the last of them
            // wholly after StopCapture returned: none may reach the model.
            const std::uint64_t frames = model.GetDeliveredFrameCount();
            const int processed = probe.processed;
            for (int wait = 0; wait < 3; ++wait)
            {
                ASSERT_EQ(WaitForSingleObject(tick.Get(), 30000), static_cast<DWORD>(WAIT_OBJECT_0));
            }
            framesAfterStop += static_cast<int>(model.GetDeliveredFrameCount() - frames);
            framesAfterStop += probe.processed - processed;
            ++silentChecks;
            break;
        }
        case 3:
            model.SelectDevice(static_cast<std::int32_t>(random() % 2));
            ++deviceSwitches;
            break;
        case 4:
        {
            const auto formats = static_cast<std::uint32_t>(model.GetCurrentDevice().GetFormats().size());
            model.SelectFrameFormat(static_cast<std::int32_t>(random() % formats));
            ++formatSwitches;
            break;
        }
        default:
            model.SelectProcessor(
                static_cast<std::int32_t>(random() % static_cast<std::uint32_t>(processorCount)));
            ++processorSwitches;
            break;
        }
        window.PumpQueued();
    }
    model.StopCapture();
    stop = true;
    delivery.join();
    window.PumpQueued();

    EXPECT_EQ(framesAfterStop, 0) << "frames reached the model after StopCapture returned";
    EXPECT_GT(model.GetDeliveredFrameCount(), 0u) << "no frame flowed while capturing";
    EXPECT_EQ(probe.withoutHost, 0) << "Process ran on a processor not initialised or already terminated";
    EXPECT_EQ(window.malformed, 0);
    EXPECT_GE(capturingNotifications, starts + stops);
    EXPECT_EQ(model.GetErrorText(), L"");
    model.SelectProcessor(0);
    EXPECT_EQ(probe.alive, 0) << "a processor made by a switch was never released";
    std::printf(
        "[ stress ] %d operations: %d starts, %d stops (%d silent checks), %d device, %d format and %d "
        "processor switches; %d delivery rounds, %llu frames reached the model, %d processed, %d "
        "notifications taken\n",
        Operations, starts, stops, silentChecks, deviceSwitches, formatSwitches, processorSwitches,
        rounds.load(), static_cast<unsigned long long>(model.GetDeliveredFrameCount()),
        probe.processed.load(), notifications);
}
