// No allocation per frame: the model captures from the virtual camera
// through the program's DirectShow backend, with a recording processor
// plugged in and a window taking every notification, while every operator
// new of the program's code is counted.
#include "AllocationCounter.h"
#include "ProbeLibrary.h"
#include "support/NotifiedWindow.h"
#include "support/TempFolder.h"
#include "directshow/VirtualCameraRegistration.h"

#include "app/CaptureBackendFactory.h"
#include "app/MainModel.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <thread>

TEST(FramePathAllocation, NoAllocationPerFrameFromTheCameraToTheWindow)
{
    constexpr std::uint64_t Frames = 150;
    AllocationCounter::SetUiThread();
    {
        // The counter sees what it must see.
        const std::int64_t ui = AllocationCounter::OnUiThread();
        const std::int64_t other = AllocationCounter::OnOtherThreads();
        // (volatile: the compiler may not leave out an allocation it can see freed;
        // an array, which reaches the counter through the library's operator new[])
        std::thread(
            []
            {
                int* volatile pointer = new int[2];
                delete[] pointer;
            })
            .join();
        int* volatile pointer = new int(2);
        delete pointer;
        ASSERT_GE(AllocationCounter::OnUiThread(), ui + 1);
        ASSERT_GE(AllocationCounter::OnOtherThreads(), other + 1);
    }
    VirtualCameraRegistration registration;
    FrameProbeLog& probe = ProbeLibrary::Log();
    probe.Reset();
    TestSupport::TempFolder folder;
    const TavixCapture::IniProfile profile(folder.File(L"TavixCapture.ini"));
    TavixCapture::MainModel model(profile, TavixCapture::CreateCaptureBackend, 1, true, false,
                                  ProbeLibrary::Folder());
    model.SelectFrameFormatByName(L"ARGB32 640x480 (60fps)");
    model.SelectProcessorByName(L"記録A");
    ASSERT_EQ(model.GetCurrentProcessorIndex(), 1);
    NotifiedWindow window;
    window.onNotification = [](std::int32_t) {}; // taken, not kept
    model.AddListener(&window);
    model.StartCapture();

    // The first frames may set things up; then count.
    // Made before counting: the pump then allocates nothing itself.
    std::uint64_t target = 10;
    const std::function<bool()> reached = [&] { return model.GetDeliveredFrameCount() >= target; };
    ASSERT_TRUE(window.PumpUntil(reached, nullptr, 20000)) << "no frame from the virtual camera";
    const std::uint64_t first = model.GetDeliveredFrameCount();
    const int processedBefore = probe.processed;
    const std::int64_t uiBefore = AllocationCounter::OnUiThread();
    const std::int64_t deliveryBefore = AllocationCounter::OnOtherThreads();
    target = first + Frames;
    const bool flowed = window.PumpUntil(reached, nullptr, 30000);
    const std::int64_t delivery = AllocationCounter::OnOtherThreads() - deliveryBefore;
    const std::int64_t ui = AllocationCounter::OnUiThread() - uiBefore;
    const std::uint64_t counted = model.GetDeliveredFrameCount() - first;
    const int processed = probe.processed - processedBefore;
    model.StopCapture();
    model.RemoveListener(&window);

    ASSERT_TRUE(flowed) << "only " << counted << " frames arrived";
    EXPECT_GE(processed, static_cast<int>(Frames)) << "the processor did not see the frames";
    EXPECT_EQ(delivery, 0) << "allocations on the delivery thread over " << counted << " frames";
    EXPECT_EQ(ui, 0) << "allocations on the UI thread taking the notifications of " << counted << " frames";
    EXPECT_EQ(model.GetErrorText(), L"");
    std::printf(
        "[ allocations ] %llu frames (%d processed): %lld on the delivery thread, %lld on the UI thread\n",
        static_cast<unsigned long long>(counted), processed, static_cast<long long>(delivery),
        static_cast<long long>(ui));
}
