// TestSink: the sink a test registers on a device (of either backend). It
// counts frames, keeps the last one and every error, and lets the test wait
// for counts. Callbacks run on the delivery thread, the rest on the test
// thread; mutex_ guards the records.
#pragma once

#include "Common/capture/Device.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace MediaFoundationTests
{

class TestSink
{
public:
    void Register(Common::Device& device);

    // Runs after each recorded frame, on the delivery thread (set before Register).
    std::function<void(Common::Device& device)> afterFrame;

    bool WaitForFrames(int count, DWORD milliseconds = 5000);
    bool WaitForErrors(int count, DWORD milliseconds = 5000);
    int GetFrameCount();
    std::vector<Common::Exception> GetErrors();
    Common::FrameBuffer GetLastFrame();

private:
    std::mutex mutex_;
    int frames_ = 0;                        // guarded by mutex_
    Common::FrameBuffer lastFrame_;         // guarded by mutex_
    std::vector<Common::Exception> errors_; // guarded by mutex_
};

} // namespace MediaFoundationTests
