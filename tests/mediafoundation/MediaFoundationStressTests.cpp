// Open, close and destroy devices while frames are in flight, many times:
// no crash, no deadlock, no leak of test sources or callbacks.
#include "TestDevices.h"
#include "support/TestSink.h"

#include "Common/capture/mediafoundation/MediaFoundationDevice.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

using namespace MediaFoundationTests;

TEST(MediaFoundationStress, OpenCloseAndDestroyWhileFramesAreInFlight)
{
    auto setup = CameraSetup::OneType(MFVideoFormat_YUY2, 32, 16, 21);
    const auto rgb = MakeFrame(MFVideoFormat_RGB32, 16, 8, 22, TestFrame::Access::TwoDimensional, 0, true);
    setup->AddType(MFVideoFormat_RGB32, 16, 8, 30, 1, rgb->Stride(), rgb);
    auto activate = TestActivate::Create(L"Cam", L"link", setup);

    std::mt19937 random(42);
    int cycles = 0;
    int framesSeen = 0;
    for (int round = 0; round < 50; ++round)
    {
        TestSink sink;
        auto device = std::make_unique<Common::MediaFoundationDevice>(activate.Get(), false);
        device->ReadFormats();
        sink.Register(*device);
        for (int step = 0; step < 4; ++step, ++cycles)
        {
            device->SelectFrameFormat(static_cast<int>(random() % 2));
            device->Open();
            // Frames arrive as fast as the platform hands them over; stop
            // after none, one or a few of them.
            ASSERT_TRUE(sink.WaitForFrames(sink.GetFrameCount() + static_cast<int>(random() % 3)));
            if (step == 3 && round % 2 == 0)
            {
                break; // destroyed while open
            }
            device->Close();
        }
        framesSeen += sink.GetFrameCount();
        EXPECT_TRUE(sink.GetErrors().empty());
        device.reset();
    }
    EXPECT_GE(cycles, 175);
    EXPECT_GT(framesSeen, cycles / 2);
    activate = nullptr;
    ExpectNothingAlive();
}
