// TestSink: the sink a test registers on a device. Copies every frame,
// keeps every error, and lets the test wait for counts. Callbacks run on the
// platform's delivery thread; the rest on the test thread; mutex_ guards all.
#pragma once

#include "Common/capture/Device.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace MediaFoundationTests
{

struct SinkError
{
    HRESULT code;
    std::wstring file;
    int line;
};

class TestSink
{
public:
    TestSink();
    ~TestSink();
    TestSink(const TestSink&) = delete;
    TestSink& operator=(const TestSink&) = delete;

    void Register(Common::Device& device);

    // Runs after each recorded frame, on the delivery thread (set before Register).
    std::function<void(Common::Device& device)> afterFrame;

    bool WaitForFrames(int count, DWORD milliseconds = 5000);
    bool WaitForErrors(int count, DWORD milliseconds = 5000);
    int GetFrameCount();
    std::vector<SinkError> GetErrors();
    std::vector<std::uint8_t> GetLastFrame();

private:
    static void OnFrame(Common::Device& device, void* context, const Common::FrameBuffer& frame);
    static void OnError(Common::Device& device, void* context, const Common::Exception& error);
    bool WaitFor(const std::function<bool()>& done, DWORD milliseconds);

    std::mutex mutex_;
    HANDLE changed_;
    int frames_ = 0;                      // guarded by mutex_
    std::vector<std::uint8_t> lastFrame_; // guarded by mutex_
    std::vector<SinkError> errors_;       // guarded by mutex_
};

} // namespace MediaFoundationTests
