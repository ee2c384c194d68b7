#include "Common/capture/Device.h"

#include "Common/PerformanceCounter.h"
#include "Common/capture/CameraControls.h"

namespace Common
{

void Device::ApplyFrameFormat()
{
    AutoLock lock(frameLock);
    const FrameFormat& format = *GetSelectedFormat();
    if (format.width != frame.width || format.height != frame.height)
    {
        frame.Resize(format.width, format.height);
    }
}

void Device::SelectFrameFormat(std::int32_t index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= formats.size())
    {
        throw Exception(L"選択されたフレームフォーマットがありません。");
    }
    const bool wasOpened = IsOpened();
    Close();
    OnFrameFormatChanging();
    selectedFormatIndex = index;
    ApplyFrameFormat();
    if (wasOpened)
    {
        Open();
    }
}

bool Device::RegisterSink(void* context, FrameCallback frameCallback, ErrorCallback errorCallback)
{
    AutoLock lock(sinkLock);
    if (sinkContext_ == context && onFrame_ == frameCallback && onError_ == errorCallback)
    {
        return false;
    }
    sinkContext_ = context;
    onFrame_ = frameCallback;
    onError_ = errorCallback;
    return true;
}

void Device::ClearSink()
{
    AutoLock lock(sinkLock);
    sinkContext_ = nullptr;
    onFrame_ = nullptr;
    onError_ = nullptr;
}

std::shared_ptr<CameraControls> Device::GetCameraControls()
{
    return std::make_shared<CameraControls>(nullptr);
}

const std::shared_ptr<FrameFormat>& Device::GetSelectedFormat() const
{
    if (selectedFormatIndex < 0 || static_cast<std::size_t>(selectedFormatIndex) >= formats.size())
    {
        throw Exception(L"選択されたフレームフォーマットがありません。");
    }
    return formats[static_cast<std::size_t>(selectedFormatIndex)];
}

void Device::NotifyFrame(const FrameBuffer& delivered, std::int64_t arrived)
{
    const std::int64_t converted = PerformanceCounter();
    {
        AutoLock lock(sinkLock);
        if (sinkContext_ != nullptr && onFrame_ != nullptr)
        {
            onFrame_(*this, sinkContext_, delivered);
        }
    }
    conversionTicks_.fetch_add(converted - arrived, std::memory_order_relaxed);
    sinkTicks_.fetch_add(PerformanceCounter() - converted, std::memory_order_relaxed);
    timedFrames_.fetch_add(1, std::memory_order_relaxed);
}

Device::DeliveryTimes Device::GetDeliveryTimes() const
{
    DeliveryTimes times;
    times.frames = timedFrames_.load(std::memory_order_relaxed);
    times.conversion = conversionTicks_.load(std::memory_order_relaxed);
    times.sink = sinkTicks_.load(std::memory_order_relaxed);
    return times;
}

void Device::NotifyError(const Exception& error, ErrorEffect effect)
{
    AutoLock lock(sinkLock);
    if (sinkContext_ != nullptr && onError_ != nullptr)
    {
        onError_(*this, sinkContext_, error, effect);
    }
}

} // namespace Common
