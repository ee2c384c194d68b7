// TavixCapture::StillImageQueue: the still images of a "全フレーム"
// recording, encoded away from the delivery thread. Push copies the frame
// into a free slot and returns at once; one encoder thread per core takes the
// frames in order and writes each under the name of its capture time. When
// every slot is taken the frame is refused (the caller counts it lost): the
// capture never waits for the encoders.
//
// Memory: `queued` frames waiting plus one being encoded by each thread, each
// a copy of the frame (8.3 MB at 1920x1080): with 2 threads and 4 queued
// about 50 MB at 1080p. The slots are made, and their pages touched, by
// Start for the recording's frame size, so that the delivery thread's first
// copies do not pay for them; a frame of another size resizes its slot.
//
// Threads: Start and Stop on one thread (the UI thread); Push on the
// delivery thread; the encoder and the result callbacks on the encoder
// threads, each of which holds COM (multithreaded) for its encoder.
#pragma once

#include "Common/Exception.h"
#include "Common/capture/FrameBuffer.h"
#include "app/SlotQueue.h"

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace TavixCapture
{

class StillImageQueue
{
public:
    // Writes one frame in `fileFormat` into `folder` under the name of `utc`.
    using Encoder = std::function<void(const Common::FrameBuffer& frame, std::int32_t fileFormat,
                                       const std::wstring& folder, const SYSTEMTIME& utc)>;
    // Makes the encoder of one thread, on that thread (COM is initialised).
    using EncoderFactory = std::function<Encoder()>;
    // Each frame's outcome, on its encoder thread: null when it was written.
    using ResultHandler = std::function<void(const Common::Exception* failure)>;

    StillImageQueue(EncoderFactory encoderFactory, ResultHandler onResult, std::size_t threads,
                    std::size_t queued);
    ~StillImageQueue();
    StillImageQueue(const StillImageQueue&) = delete;
    StillImageQueue& operator=(const StillImageQueue&) = delete;

    // Makes the slots for frames of width x height and starts the encoder
    // threads for a recording into `folder`. Exception E_OUTOFMEMORY when
    // the slots or threads cannot be made (nothing is started then).
    void Start(std::wstring folder, std::int32_t fileFormat, std::int32_t width, std::int32_t height);
    // Queues a copy of `frame` taken at `utc`; false when the queue is full.
    bool Push(const Common::FrameBuffer& frame, const SYSTEMTIME& utc);
    // Waits until every queued frame is written, then ends the threads.
    void Stop() noexcept;

    std::size_t GetThreadCount() const { return threadCount_; }
    std::size_t GetQueueLength() const { return queued_; }

    // One encoder thread per core.
    static std::size_t DefaultThreadCount();

private:
    struct Slot
    {
        Common::FrameBuffer frame;
        SYSTEMTIME utc = {};
    };

    void Run();

    const EncoderFactory encoderFactory_;
    const ResultHandler onResult_;
    const std::size_t threadCount_;
    const std::size_t queued_;

    std::mutex mutex_; // row 8 of Common/LockOrder.h
    std::condition_variable ready_;
    std::vector<Slot> slots_; // a slot is owned by whoever took its index
    SlotQueue slotQueue_;     // free slots and those waiting for an encoder; guarded by mutex_
    bool stopping_ = false;   // guarded by mutex_
    std::wstring folder_;     // set before the threads start
    std::int32_t fileFormat_ = 0;
    std::vector<std::thread> threads_;
};

} // namespace TavixCapture
