// TestSink: the sink a test registers on a device (of either backend). It
// counts frames, keeps the last one and every error, and lets the test wait
// for counts. Callbacks run on the delivery thread, the rest on the test
// thread; mutex_ guards the records. WaitUntil is the polling wait of the
// capture suites.
#pragma once

#include "Common/capture/Device.h"

#include <windows.h>

#include <functional>
#include <mutex>
#include <vector>

namespace TestSupport
{

// Polls `done` every millisecond until it holds; false after the time-out.
inline bool WaitUntil(const std::function<bool()>& done, DWORD milliseconds = 5000)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    while (!done())
    {
        if (GetTickCount64() >= end)
        {
            return false;
        }
        Sleep(1);
    }
    return true;
}

class TestSink
{
public:
    // Runs after each recorded frame, on the delivery thread (set before Register).
    std::function<void(Common::Device& device)> afterFrame;

    void Register(Common::Device& device)
    {
        device.RegisterSink(
            this,
            [](Common::Device& delivering, void* context, const Common::FrameBuffer& frame)
            {
                auto* sink = static_cast<TestSink*>(context);
                {
                    std::lock_guard lock(sink->mutex_);
                    ++sink->frames_;
                    sink->lastFrame_ = frame;
                }
                if (sink->afterFrame)
                {
                    sink->afterFrame(delivering);
                }
            },
            [](Common::Device&, void* context, const Common::Exception& error,
               Common::Device::ErrorEffect effect)
            {
                auto* sink = static_cast<TestSink*>(context);
                std::lock_guard lock(sink->mutex_);
                sink->errors_.push_back(error);
                sink->streamEnds_ += effect == Common::Device::ErrorEffect::StreamEnded ? 1 : 0;
            });
    }
    bool WaitForFrames(int count, DWORD milliseconds = 5000)
    {
        return WaitUntil([&] { return GetFrameCount() >= count; }, milliseconds);
    }
    bool WaitForErrors(int count, DWORD milliseconds = 5000)
    {
        return WaitUntil([&] { return static_cast<int>(GetErrors().size()) >= count; }, milliseconds);
    }
    int GetFrameCount()
    {
        std::lock_guard lock(mutex_);
        return frames_;
    }
    std::vector<Common::Exception> GetErrors()
    {
        std::lock_guard lock(mutex_);
        return errors_;
    }
    // How many of the errors ended the stream.
    int GetStreamEndCount()
    {
        std::lock_guard lock(mutex_);
        return streamEnds_;
    }
    Common::FrameBuffer GetLastFrame()
    {
        std::lock_guard lock(mutex_);
        return lastFrame_;
    }

private:
    std::mutex mutex_;
    int frames_ = 0;                        // guarded by mutex_
    Common::FrameBuffer lastFrame_;         // guarded by mutex_
    std::vector<Common::Exception> errors_; // guarded by mutex_
    int streamEnds_ = 0;                    // guarded by mutex_
};

} // namespace TestSupport
