#include "app/MovieWriterThread.h"

#include "Common/capture/convert/FastCopy.h"

#include <algorithm>
#include <new>

namespace TavixCapture
{

std::size_t MovieWriterThread::GetBufferCount(std::int32_t width, std::int32_t height)
{
    const std::size_t frameBytes = std::max<std::size_t>(
        static_cast<std::size_t>(std::max(width, 1)) * 4 * static_cast<std::size_t>(std::max(height, 1)), 1);
    return std::clamp(MemoryBudget / frameBytes, FewestFrames, MostFrames);
}

MovieWriterThread::MovieWriterThread(ResultHandler onResult) : onResult_(std::move(onResult)) {}

MovieWriterThread::~MovieWriterThread()
{
    Stop();
}

void MovieWriterThread::Start(VideoWriter& writer, std::int32_t width, std::int32_t height,
                              std::size_t buffers)
{
    Stop();
    if (buffers == 0)
    {
        buffers = GetBufferCount(width, height);
    }
    try
    {
        // Made, and touched, here: the delivery thread's first copy into a
        // buffer must not be the one that pays for its pages.
        if (slots_.size() != buffers)
        {
            slots_ = std::vector<Slot>(buffers);
        }
        for (Slot& slot : slots_)
        {
            slot.frame.Resize(width, height);
        }
        std::lock_guard lock(mutex_);
        slotQueue_.Reset(buffers);
    }
    catch (const std::bad_alloc&)
    {
        slots_.clear();
        throw Common::Exception(static_cast<HRESULT>(E_OUTOFMEMORY));
    }
    writer_ = &writer;
    {
        std::lock_guard lock(mutex_);
        stopping_ = false;
        accepting_ = true;
        queued_ = 0;
        done_ = 0;
        failedSequence_ = 0;
        failure_ = nullptr;
    }
    try
    {
        thread_ = std::thread(&MovieWriterThread::Run, this);
    }
    catch (...)
    {
        std::lock_guard lock(mutex_);
        accepting_ = false;
        throw Common::Exception(static_cast<HRESULT>(E_OUTOFMEMORY));
    }
    running_ = true;
}

bool MovieWriterThread::TakeFreeSlot(std::size_t& index)
{
    if (!accepting_ || !slotQueue_.HasFree())
    {
        return false;
    }
    index = slotQueue_.TakeFree();
    ++filling_;
    return true;
}

void MovieWriterThread::Fill(Slot& slot, const Common::FrameBuffer& frame, std::int64_t capturedAt)
{
    slot.frame.width = frame.width;
    slot.frame.height = frame.height;
    slot.frame.stride = frame.stride;
    if (slot.frame.pixels.size() != frame.pixels.size())
    {
        // Only a frame of another size than the movie's (which the movie
        // writer refuses): the buffers are made for the movie's size.
        slot.frame.pixels.resize(frame.pixels.size());
    }
    Common::Convert::CopyBytes(slot.frame.pixels.data(), frame.pixels.data(), frame.pixels.size());
    slot.capturedAt = capturedAt;
}

std::uint64_t MovieWriterThread::Enqueue(std::size_t index)
{
    slots_[index].sequence = ++queued_;
    slotQueue_.Queue(index);
    --filling_;
    return queued_;
}

bool MovieWriterThread::Push(const Common::FrameBuffer& frame, std::int64_t capturedAt) noexcept
{
    std::size_t index = 0;
    {
        std::lock_guard lock(mutex_);
        if (!TakeFreeSlot(index))
        {
            return false;
        }
    }
    if (!FillTaken(index, frame, capturedAt))
    {
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        Enqueue(index);
    }
    ready_.notify_one();
    progress_.notify_all();
    return true;
}

bool MovieWriterThread::FillTaken(std::size_t index, const Common::FrameBuffer& frame,
                                  std::int64_t capturedAt) noexcept
{
    try
    {
        // The buffer is this thread's until it is queued: copied without the lock.
        Fill(slots_[index], frame, capturedAt);
        return true;
    }
    catch (...)
    {
        std::lock_guard lock(mutex_);
        slotQueue_.GiveBack(index);
        --filling_;
        progress_.notify_all();
        return false;
    }
}

bool MovieWriterThread::WriteAndWait(const Common::FrameBuffer& frame, std::int64_t capturedAt)
{
    std::size_t index = 0;
    {
        std::unique_lock lock(mutex_);
        progress_.wait(lock, [&] { return !accepting_ || slotQueue_.HasFree(); });
        if (!TakeFreeSlot(index))
        {
            return false;
        }
    }
    if (!FillTaken(index, frame, capturedAt))
    {
        throw Common::Exception(static_cast<HRESULT>(E_OUTOFMEMORY));
    }
    std::unique_lock lock(mutex_);
    const std::uint64_t sequence = Enqueue(index);
    ready_.notify_one();
    progress_.wait(lock, [&] { return done_ >= sequence; });
    if (failedSequence_ == sequence && failure_)
    {
        std::rethrow_exception(failure_);
    }
    return true;
}

void MovieWriterThread::Stop() noexcept
{
    if (!running_)
    {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        accepting_ = false;
        stopping_ = true;
    }
    ready_.notify_all();
    progress_.notify_all();
    thread_.join();
    running_ = false;
    writer_ = nullptr;
    {
        // A frame being copied in when the recording stopped still holds
        // its buffer: the buffers go once it is back.
        std::unique_lock lock(mutex_);
        progress_.wait(lock, [this] { return filling_ == 0; });
        slotQueue_.Clear();
    }
    // Up to 128 MiB: not kept between recordings.
    std::vector<Slot>().swap(slots_);
}

void MovieWriterThread::Run()
{
    for (;;)
    {
        std::size_t index = 0;
        {
            std::unique_lock lock(mutex_);
            ready_.wait(lock, [this] { return stopping_ || slotQueue_.HasWaiting(); });
            if (!slotQueue_.HasWaiting())
            {
                return; // stopping, and every frame is written
            }
            index = slotQueue_.TakeWaiting();
        }
        const Slot& slot = slots_[index];
        Outcome outcome = Outcome::Written;
        std::exception_ptr failure;
        try
        {
            if (!writer_->WriteFrame(slot.frame, slot.capturedAt))
            {
                outcome = Outcome::NotWritten;
            }
        }
        catch (const Common::Exception&)
        {
            outcome = Outcome::Failed;
            failure = std::current_exception();
        }
        catch (...)
        {
            outcome = Outcome::Failed;
            failure = std::make_exception_ptr(Common::Exception(static_cast<HRESULT>(E_UNEXPECTED)));
        }
        if (failure)
        {
            try
            {
                std::rethrow_exception(failure);
            }
            catch (const Common::Exception& error)
            {
                onResult_(outcome, &error);
            }
        }
        else
        {
            onResult_(outcome, nullptr);
        }
        {
            std::lock_guard lock(mutex_);
            slotQueue_.GiveBack(index);
            done_ = slot.sequence;
            if (failure)
            {
                failedSequence_ = slot.sequence;
                failure_ = failure;
            }
        }
        progress_.notify_all();
    }
}

} // namespace TavixCapture
