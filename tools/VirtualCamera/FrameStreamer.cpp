#include "FrameStreamer.h"

#include "CameraPlug.h"
#include "FramePainter.h"

#include <evcode.h>

#include <chrono>
#include <system_error>

namespace VirtualCamera
{
namespace
{

// COM for the streaming thread while it runs.
class ThreadApartment
{
public:
    ThreadApartment() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}
    ~ThreadApartment()
    {
        if (initialised_)
        {
            CoUninitialize();
        }
    }
    ThreadApartment(const ThreadApartment&) = delete;
    ThreadApartment& operator=(const ThreadApartment&) = delete;

private:
    bool initialised_;
};

} // namespace

FrameStreamer::~FrameStreamer()
{
    Stop();
}

HRESULT FrameStreamer::Start(const CameraFormat& format, Common::ComPointer<IMemInputPin> input,
                             Common::ComPointer<IMemAllocator> allocator, CameraSettings& settings,
                             IMediaEventSink* events, IBaseFilter* filter, bool cabled)
{
    if (IsRunning())
    {
        return S_OK;
    }
    const HRESULT hr = allocator->Commit();
    if (FAILED(hr))
    {
        return hr;
    }
    {
        std::lock_guard lock(stopLock_);
        stopping_ = false;
    }
    allocator_ = std::move(allocator);
    try
    {
        worker_ = std::thread(&FrameStreamer::Run, this, format, std::move(input), &settings, events, filter,
                              cabled);
    }
    catch (const std::system_error&)
    {
        allocator_->Decommit();
        allocator_.Reset();
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

void FrameStreamer::Stop()
{
    if (!IsRunning())
    {
        return;
    }
    {
        std::lock_guard lock(stopLock_);
        stopping_ = true;
    }
    stopSignal_.notify_all();
    // Decommitting wakes a thread that waits for a free buffer.
    allocator_->Decommit();
    worker_.join();
    allocator_.Reset();
}

void FrameStreamer::Unplugged(IMediaEventSink* events, IBaseFilter* filter)
{
    if (events != nullptr)
    {
        // Parameter 2 zero: the device was removed (not merely re-made).
        events->Notify(EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(static_cast<IUnknown*>(filter)), 0);
    }
    std::unique_lock lock(stopLock_);
    stopSignal_.wait(lock, [this] { return stopping_; });
}

void FrameStreamer::Run(CameraFormat format, Common::ComPointer<IMemInputPin> input, CameraSettings* settings,
                        IMediaEventSink* events, IBaseFilter* filter, bool cabled)
{
    using Clock = std::chrono::steady_clock;
    const ThreadApartment apartment;
    const Common::UniqueHandle unplugged = cabled ? CameraPlug::OpenUnpluggedEvent() : Common::UniqueHandle();
    FramePainter painter(format);
    const auto interval = std::chrono::nanoseconds(format.GetFrameInterval() * 100);
    const Clock::time_point start = Clock::now();
    std::uint64_t slot = 0;
    bool first = true;
    for (;;)
    {
        {
            std::unique_lock lock(stopLock_);
            if (stopSignal_.wait_until(lock, start + slot * interval, [this] { return stopping_; }))
            {
                return;
            }
        }
        if (unplugged && WaitForSingleObject(unplugged.Get(), 0) == WAIT_OBJECT_0)
        {
            Unplugged(events, filter);
            return;
        }
        // A camera that falls behind drops frames rather than queueing them:
        // the counter then shows the gap.
        const auto late = Clock::now() - (start + slot * interval);
        if (late > 2 * interval)
        {
            slot = static_cast<std::uint64_t>((Clock::now() - start) / interval);
        }
        Common::ComPointer<IMediaSample> sample;
        if (FAILED(allocator_->GetBuffer(sample.Put(), nullptr, nullptr, 0)))
        {
            ++slot; // decommitted: the stop signal ends the loop; else a dropped frame
            continue;
        }
        BYTE* data = nullptr;
        if (FAILED(sample->GetPointer(&data)) || sample->GetSize() < format.GetImageBytes())
        {
            ++slot;
            continue;
        }
        painter.Paint(data, static_cast<std::uint32_t>(slot), settings->NextFrame());
        REFERENCE_TIME begin = static_cast<REFERENCE_TIME>(slot) * format.GetFrameInterval();
        REFERENCE_TIME end = begin + format.GetFrameInterval();
        if (SUCCEEDED(sample->SetActualDataLength(format.GetImageBytes())) &&
            SUCCEEDED(sample->SetTime(&begin, &end)) && SUCCEEDED(sample->SetSyncPoint(TRUE)) &&
            SUCCEEDED(sample->SetDiscontinuity(first ? TRUE : FALSE)))
        {
            first = false;
            // A refusal is not the camera's business: downstream filters
            // refuse samples while they stop, and the stop signal follows.
            input->Receive(sample.Get());
        }
        ++slot;
    }
}

} // namespace VirtualCamera
