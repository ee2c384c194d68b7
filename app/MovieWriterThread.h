// TavixCapture::MovieWriterThread: the frames of a movie, written on a thread
// of their own so that the delivery thread never waits for the disk. Push
// copies the frame into a free buffer of a fixed set made when the recording
// starts and returns at once; the thread writes the frames in the order they
// came through the movie writer. A frame that finds every buffer taken is
// refused (the caller counts it lost): the capture never waits.
//
// Memory: the buffers are made by Start, all of them, and kept until Stop:
// as many frames as fit in 128 MiB, at least 3 and at most 60 (16 frames at
// 1920x1080, 60 at 640x480: about half a second of 1080p30 and two seconds
// of VGA at 30 fps). Nothing is allocated per frame.
//
// Threads: Start, Stop and WriteAndWait on the UI thread; Push on the
// delivery thread; the movie writer and the result handler on the writer
// thread (the movie writer is its own lock, so the UI thread may close or
// checkpoint it meanwhile).
#pragma once

#include "Common/Exception.h"
#include "Common/capture/FrameBuffer.h"
#include "app/SlotQueue.h"
#include "app/VideoWriter.h"

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace TavixCapture
{

class MovieWriterThread
{
public:
    enum class Outcome
    {
        Written,
        NotWritten, // no movie was open any more (it ended after a failure)
        Failed,
    };
    // The outcome of each frame, on the writer thread; `failure` only with Failed.
    using ResultHandler = std::function<void(Outcome outcome, const Common::Exception* failure)>;

    static constexpr std::size_t MemoryBudget = 128u << 20;
    static constexpr std::size_t FewestFrames = 3;
    static constexpr std::size_t MostFrames = 60;
    // The buffers a movie of width x height gets within the budget.
    static std::size_t GetBufferCount(std::int32_t width, std::int32_t height);

    explicit MovieWriterThread(ResultHandler onResult);
    ~MovieWriterThread();
    MovieWriterThread(const MovieWriterThread&) = delete;
    MovieWriterThread& operator=(const MovieWriterThread&) = delete;

    // Makes `buffers` frames of width x height (0: GetBufferCount) and starts
    // the thread that writes them into `writer`, which must stay until Stop.
    // Raises Exception when the memory or the thread cannot be had.
    void Start(VideoWriter& writer, std::int32_t width, std::int32_t height, std::size_t buffers = 0);
    // Queues a copy of `frame`, captured at the performance counter
    // `capturedAt`; false when every buffer is taken or the thread is not running.
    bool Push(const Common::FrameBuffer& frame, std::int64_t capturedAt) noexcept;
    // Queues a copy of `frame` after the frames queued before it, waiting for
    // a free buffer, and returns once it is written; raises the Exception its
    // writing raised. False when the thread is not running (nothing written).
    bool WriteAndWait(const Common::FrameBuffer& frame, std::int64_t capturedAt);
    // Writes every frame still queued, then ends the thread. Does nothing when
    // it is not running.
    void Stop() noexcept;

    bool IsRunning() const { return running_; }
    std::size_t GetBufferCount() const { return slots_.size(); }

private:
    struct Slot
    {
        Common::FrameBuffer frame;
        std::int64_t capturedAt = 0;
        std::uint64_t sequence = 0;
    };

    // Under mutex_: a free buffer's index, or false.
    bool TakeFreeSlot(std::size_t& index);
    // Copies the frame into a buffer that is this thread's alone.
    static void Fill(Slot& slot, const Common::FrameBuffer& frame, std::int64_t capturedAt);
    // Copies the frame into a taken buffer; on a failure gives the buffer back.
    bool FillTaken(std::size_t index, const Common::FrameBuffer& frame, std::int64_t capturedAt) noexcept;
    // Under mutex_: hands a filled buffer to the writer; returns its sequence.
    std::uint64_t Enqueue(std::size_t index);
    void Run();

    const ResultHandler onResult_;
    VideoWriter* writer_ = nullptr; // set by Start before the thread starts
    std::vector<Slot> slots_;       // a slot is owned by whoever took its index
    bool running_ = false;          // UI thread

    std::mutex mutex_;                 // row 8 of Common/LockOrder.h
    std::condition_variable ready_;    // the writer: a frame is queued, or stop
    std::condition_variable progress_; // WriteAndWait: a buffer is free, or a frame done
    SlotQueue slotQueue_;              // free buffers and those waiting for the writer; guarded by mutex_
    bool accepting_ = false;           // guarded by mutex_
    bool stopping_ = false;            // guarded by mutex_
    std::size_t filling_ = 0;          // buffers taken and not yet queued or given back; guarded by mutex_
    std::uint64_t queued_ = 0;         // sequence of the last frame queued; guarded by mutex_
    std::uint64_t done_ = 0;           // sequence of the last frame finished; guarded by mutex_
    std::uint64_t failedSequence_ = 0; // guarded by mutex_
    std::exception_ptr failure_;       // of failedSequence_; guarded by mutex_
    std::thread thread_;
};

} // namespace TavixCapture
