#include "Common/capture/Device.h"

#include "Common/PerformanceCounter.h"
#include "Common/capture/CameraControls.h"
#include "Common/capture/convert/FastCopy.h"

#include <cstring>

namespace Common
{

namespace
{

// `into` becomes width x height, packed; no allocation when it has the room.
void Reshape(FrameBuffer& into, std::int32_t width, std::int32_t height)
{
    into.width = width;
    into.height = height;
    into.stride = width * 4;
    into.pixels.resize(static_cast<std::size_t>(into.stride) * static_cast<std::size_t>(height));
}

void CopyWhole(const FrameBuffer& source, FrameBuffer& into)
{
    into.width = source.width;
    into.height = source.height;
    into.stride = source.stride;
    into.pixels.resize(source.pixels.size());
    if (!source.pixels.empty())
    {
        Convert::CopyBytes(into.pixels.data(), source.pixels.data(), source.pixels.size());
    }
}

} // namespace

void Device::ApplyFrameFormat()
{
    AutoLock lock(frameLock);
    const FrameFormat& format = *GetSelectedFormat();
    if (format.width != frame.width || format.height != frame.height)
    {
        frame.Resize(format.width, format.height);
    }
}

void Device::SetFormats(std::vector<std::shared_ptr<FrameFormat>> read)
{
    formats = std::move(read);
    selectedFormatIndex_ = 0;
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
    selectedFormatIndex_ = index;
    ApplyFrameFormat();
    if (wasOpened)
    {
        Open();
    }
}

bool Device::RegisterSink(void* context, FrameCallback frameCallback, ErrorCallback errorCallback)
{
    AutoLock lock(sinkLock_);
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
    AutoLock lock(sinkLock_);
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
    if (selectedFormatIndex_ < 0 || static_cast<std::size_t>(selectedFormatIndex_) >= formats.size())
    {
        throw Exception(L"選択されたフレームフォーマットがありません。");
    }
    return formats[static_cast<std::size_t>(selectedFormatIndex_)];
}

void Device::CopyLatestFrame(FrameBuffer& into) const
{
    AutoLock lock(frameLock);
    CopyWhole(frame, into);
}

bool Device::CopyLatestFrame(FrameBuffer& into, const FrameRegion& area) const
{
    AutoLock lock(frameLock);
    if (area.width <= 0 || area.height <= 0 || area.x < 0 || area.y < 0 ||
        area.x > frame.width - area.width || area.y > frame.height - area.height ||
        static_cast<std::size_t>(area.y + area.height - 1) * static_cast<std::size_t>(frame.stride) +
                static_cast<std::size_t>(area.x + area.width) * 4 >
            frame.pixels.size())
    {
        return false;
    }
    Reshape(into, area.width, area.height);
    const auto rowBytes = static_cast<std::size_t>(into.stride);
    for (std::int32_t row = 0; row < area.height; ++row)
    {
        std::memcpy(into.pixels.data() + static_cast<std::size_t>(row) * rowBytes,
                    frame.pixels.data() + static_cast<std::size_t>(area.y + row) * frame.stride +
                        static_cast<std::size_t>(area.x) * 4,
                    rowBytes);
    }
    return true;
}

bool Device::CopyLatestFrame(FrameBuffer& into, ImageChooser choose, void* context) const
{
    AutoLock lock(frameLock);
    const FrameBuffer* image = choose(context, frame);
    if (image == nullptr)
    {
        return false;
    }
    CopyWhole(*image, into);
    return true;
}

void Device::NotifyFrame(const FrameBuffer& delivered, std::int64_t arrived)
{
    const std::int64_t converted = PerformanceCounter();
    {
        AutoLock lock(sinkLock_);
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
    AutoLock lock(sinkLock_);
    if (sinkContext_ != nullptr && onError_ != nullptr)
    {
        onError_(*this, sinkContext_, error, effect);
    }
}

} // namespace Common
