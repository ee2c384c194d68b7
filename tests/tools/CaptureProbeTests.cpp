// capture-probe as a script runs it: its arguments, the exit code when its
// output cannot be written, a stream of the virtual camera, and the stop on
// Ctrl+C.
#include "ProbeProcess.h"
#include "tools/capture-probe/ConsoleStop.h"
#include "directshow/VirtualCameraRegistration.h"
#include "support/TempFolder.h"

#include "Common/UniqueHandle.h"
#include "Common/capture/directshow/DirectShowVideoCapture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <thread>

TEST(CaptureProbe, AFlagWithoutItsValueNamesTheMissingValue)
{
    for (const char* flag : {"--api", "--device", "--format", "--seconds"})
    {
        const std::string name = flag;
        ProbeProcess probe(L"--api dshow " + std::wstring(name.begin(), name.end()));
        EXPECT_EQ(probe.Finish(30000), 2);
        const std::string said = name + reinterpret_cast<const char*>(u8" の値がありません。");
        EXPECT_EQ(probe.GetOutput().find(said), 0u) << probe.GetOutput();
    }
}

TEST(CaptureProbe, AListThatCannotBeWrittenEndsWithAnError)
{
    TestSupport::TempFolder folder;
    const std::wstring path = folder.File(L"list.txt");
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    // Opened for reading only: every write to it fails.
    const Common::UniqueHandle readOnly(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, &inherit,
                                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(readOnly);
    ProbeProcess probe(L"--api mf --list", readOnly.Get());
    EXPECT_EQ(probe.Finish(30000), 1) << probe.GetOutput();
}

using CaptureProbeStream = VirtualCameraSuite;

// The probe on the camera (wherever the machine's other cameras put it in
// the list): its last line carries the figures.
TEST_F(CaptureProbeStream, StreamsTheCameraWithoutGaps)
{
    const Common::DirectShowVideoCapture capture(true, false);
    const std::size_t device = FindVirtualCamera(capture);
    ASSERT_LT(device, capture.devices.size());
    ProbeProcess probe(L"--api dshow --device " + std::to_wstring(device) + L" --format 0 --seconds 2");
    EXPECT_EQ(probe.Finish(30000), 0) << probe.GetOutput();
    unsigned frames = 0;
    unsigned gaps = 99;
    unsigned repeats = 99;
    double fps = 0;
    ASSERT_EQ(std::sscanf(probe.GetLastLine().c_str(), "frames %u gaps %u repeats %u fps %lf", &frames, &gaps,
                          &repeats, &fps),
              4)
        << probe.GetOutput();
    EXPECT_GE(frames, 50u);
    EXPECT_EQ(gaps, 0u);
    EXPECT_EQ(repeats, 0u);
    EXPECT_NEAR(fps, 30.0, 2.0);
}

// Wine 8 delivers no console control event to a child here
// (GenerateConsoleCtrlEvent fails), so the handler is called as the system
// calls it: on a thread of its own.
TEST(ConsoleStop, CtrlCEndsTheWaitAndOtherEventsAreLeftToTheSystem)
{
    {
        const ConsoleStop stop;
        EXPECT_FALSE(ConsoleStop::OnControl(CTRL_LOGOFF_EVENT));
        EXPECT_EQ(WaitForSingleObject(stop.GetEvent(), 0), WAIT_TIMEOUT);
        BOOL handled = FALSE;
        std::thread system([&handled] { handled = ConsoleStop::OnControl(CTRL_C_EVENT); });
        const double waited = stop.Wait(600.0);
        system.join();
        EXPECT_TRUE(handled);
        EXPECT_LT(waited, 60.0);
        EXPECT_EQ(WaitForSingleObject(stop.GetEvent(), 0), WAIT_OBJECT_0) << "the stop stays signalled";
        EXPECT_TRUE(ConsoleStop::OnControl(CTRL_BREAK_EVENT));
    }
    EXPECT_FALSE(ConsoleStop::OnControl(CTRL_C_EVENT)) << "without an instance the system ends the process";
}
