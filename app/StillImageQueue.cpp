#include "app/StillImageQueue.h"

#include "Common/capture/convert/FastCopy.h"

#include <objbase.h>

#include <algorithm>
#include <new>

namespace TavixCapture
{

StillImageQueue::StillImageQueue(EncoderFactory encoderFactory, ResultHandler onResult, std::size_t threads,
                                 std::size_t queued)
    : encoderFactory_(std::move(encoderFactory)), onResult_(std::move(onResult)),
      threadCount_(std::max<std::size_t>(threads, 1)), queued_(std::max<std::size_t>(queued, 1)),
      slots_(threadCount_ + queued_)
{
    slotQueue_.Reset(slots_.size());
}

StillImageQueue::~StillImageQueue()
{
    Stop();
}

std::size_t StillImageQueue::DefaultThreadCount()
{
    return std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 16);
}

void StillImageQueue::Start(std::wstring folder, std::int32_t fileFormat, std::int32_t width,
                            std::int32_t height)
{
    Stop();
    try
    {
        for (Slot& slot : slots_)
        {
            slot.frame.Resize(width, height);
        }
    }
    catch (const std::bad_alloc&)
    {
        for (Slot& slot : slots_)
        {
            slot.frame = Common::FrameBuffer();
        }
        throw Common::Exception(static_cast<HRESULT>(E_OUTOFMEMORY));
    }
    folder_ = std::move(folder);
    fileFormat_ = fileFormat;
    {
        std::lock_guard lock(mutex_);
        stopping_ = false;
        slotQueue_.Reset(slots_.size());
    }
    try
    {
        for (std::size_t i = 0; i < threadCount_; ++i)
        {
            threads_.emplace_back(&StillImageQueue::Run, this);
        }
    }
    catch (...)
    {
        Stop();
        throw Common::Exception(static_cast<HRESULT>(E_OUTOFMEMORY));
    }
}

bool StillImageQueue::Push(const Common::FrameBuffer& frame, const SYSTEMTIME& utc)
{
    std::size_t index = 0;
    {
        std::lock_guard lock(mutex_);
        if (threads_.empty() || stopping_ || !slotQueue_.HasFree())
        {
            return false;
        }
        index = slotQueue_.TakeFree();
    }
    // The slot is this thread's until it is queued: copied without the lock.
    // Start made its buffer for the recording's frame size.
    Slot& slot = slots_[index];
    slot.frame.width = frame.width;
    slot.frame.height = frame.height;
    slot.frame.stride = frame.stride;
    if (slot.frame.pixels.size() != frame.pixels.size())
    {
        try
        {
            slot.frame.pixels.resize(frame.pixels.size());
        }
        catch (...)
        {
            // The slot goes back, or the queue would have one less for good.
            std::lock_guard lock(mutex_);
            slotQueue_.GiveBack(index);
            throw;
        }
    }
    Common::Convert::CopyBytes(slot.frame.pixels.data(), frame.pixels.data(), frame.pixels.size());
    slot.utc = utc;
    {
        std::lock_guard lock(mutex_);
        slotQueue_.Queue(index);
    }
    ready_.notify_one();
    return true;
}

void StillImageQueue::Stop() noexcept
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    ready_.notify_all();
    for (std::thread& thread : threads_)
    {
        thread.join();
    }
    threads_.clear();
}

void StillImageQueue::Run()
{
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    Encoder encoder;
    std::exception_ptr setupFailure;
    try
    {
        Common::ThrowIfFailed(com);
        encoder = encoderFactory_();
    }
    catch (...)
    {
        setupFailure = std::current_exception();
    }
    for (;;)
    {
        std::size_t index = 0;
        {
            std::unique_lock lock(mutex_);
            ready_.wait(lock, [this] { return stopping_ || slotQueue_.HasWaiting(); });
            if (!slotQueue_.HasWaiting())
            {
                break; // stopping, and every frame is written
            }
            index = slotQueue_.TakeWaiting();
        }
        const Slot& slot = slots_[index];
        try
        {
            if (setupFailure)
            {
                std::rethrow_exception(setupFailure);
            }
            encoder(slot.frame, fileFormat_, folder_, slot.utc);
            onResult_(nullptr);
        }
        catch (const Common::Exception& failure)
        {
            onResult_(&failure);
        }
        catch (...)
        {
            const Common::Exception failure(static_cast<HRESULT>(E_UNEXPECTED));
            onResult_(&failure);
        }
        std::lock_guard lock(mutex_);
        slotQueue_.GiveBack(index);
    }
    encoder = nullptr;
    if (SUCCEEDED(com))
    {
        CoUninitialize();
    }
}

} // namespace TavixCapture
