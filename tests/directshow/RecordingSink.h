// RecordingSink: a device sink for tests. It keeps the frame counter of every
// delivered frame (decoded from the virtual camera's pattern, -1 when the
// pattern does not read) and every error message, and lets the test wait for
// frames. Callbacks run on the delivery thread; the rest on the test thread.
#pragma once

#include "Common/capture/Device.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

class RecordingSink
{
public:
    explicit RecordingSink(Common::Device& device);
    ~RecordingSink();
    RecordingSink(const RecordingSink&) = delete;
    RecordingSink& operator=(const RecordingSink&) = delete;

    // Waits until `count` frames in all have arrived; false on timeout.
    bool WaitForFrames(std::size_t count, std::chrono::milliseconds timeout);

    std::vector<std::int64_t> GetCounters();
    std::vector<std::wstring> GetErrors();
    // Alpha byte of the first pixel of the last frame.
    std::uint8_t GetLastAlpha();

private:
    static void OnFrame(Common::Device& device, void* context, const Common::FrameBuffer& frame);
    static void OnError(Common::Device& device, void* context, const Common::Exception& error);

    Common::Device& device_;
    std::mutex lock_;
    std::condition_variable arrived_;
    std::vector<std::int64_t> counters_; // guarded by lock_
    std::vector<std::wstring> errors_;   // guarded by lock_
    std::uint8_t lastAlpha_ = 0;         // guarded by lock_
};
