// Common::Device: one capture device of a backend: its formats, the selected
// one, and the latest converted frame. Frames and errors go to one sink
// through plain callbacks, on the backend's delivery thread.
//
// Threads: the owner (UI thread) opens, closes and changes the format; the
// backend's delivery thread writes `frame` and calls the sink.
// Locks: frameLock before sinkLock when nested.
#pragma once

#include "Common/CriticalSection.h"
#include "Common/Exception.h"
#include "Common/capture/FrameBuffer.h"
#include "Common/capture/FrameFormat.h"
#include "Common/PerformanceCounter.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Common
{

class CameraControls;

class Device
{
public:
    // The frame reference is only valid during the call.
    using FrameCallback = void (*)(Device& device, void* context, const FrameBuffer& frame);
    // What an error did to the stream: a frame was lost and streaming goes
    // on, or the stream ended and the device has closed itself.
    enum class ErrorEffect
    {
        FrameLost,
        StreamEnded
    };
    // The exception reference is only valid during the call.
    using ErrorCallback = void (*)(Device& device, void* context, const Exception& error, ErrorEffect effect);

    Device() = default;
    virtual ~Device() = default;
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    // Makes `formats` ready (a backend may list a camera before reading
    // them). Raises Exception saying why the device cannot be used; the
    // device stays listed and the next call tries again. UI thread.
    virtual void ReadFormats() {}
    virtual bool IsOpened() const = 0;
    // Starts streaming the selected format; does nothing if open. On failure
    // raises Exception and the device stays closed.
    virtual void Open() = 0;
    // Stops streaming; does nothing if closed.
    virtual void Close() = 0;
    // Sizes `frame` for the selected format (overrides call this body last).
    virtual void ApplyFrameFormat();
    // Called by the owner just before it changes selectedFormatIndex.
    virtual void OnFrameFormatChanging() {}

    // The owner's one way to change the selected format: Close,
    // OnFrameFormatChanging, set the index, ApplyFrameFormat, and Open again
    // if the device was open. An index outside `formats` raises Exception
    // before anything changes.
    void SelectFrameFormat(std::int32_t index);

    // Registers the sink under sinkLock; returns false when it was already
    // registered with the same three values (nothing stored then).
    bool RegisterSink(void* context, FrameCallback frameCallback, ErrorCallback errorCallback);
    // Clears the sink under sinkLock. Once this returns, no callback runs.
    void ClearSink();

    // The camera's settings (exposure, gain, white balance, ...), open or
    // closed; a device without any gives controls that support nothing.
    virtual std::shared_ptr<CameraControls> GetCameraControls();

    // The selected format (formats[selectedFormatIndex]).
    const std::shared_ptr<FrameFormat>& GetSelectedFormat() const;

    std::wstring name;
    std::wstring path;
    std::vector<std::shared_ptr<FrameFormat>> formats;
    // Written by the owner only while the device is closed.
    std::int32_t selectedFormatIndex = 0;

    CriticalSection frameLock;
    FrameBuffer frame; // guarded by frameLock

    CriticalSection sinkLock;

    // Where the delivery thread's time went, summed over every frame since
    // the device was made, in performance-counter ticks (read on any thread).
    struct DeliveryTimes
    {
        std::uint64_t frames = 0;
        std::int64_t conversion = 0; // from the sample's arrival to the frame
        std::int64_t sink = 0;       // in the sink, with the frame
    };
    DeliveryTimes GetDeliveryTimes() const;

protected:
    // For backends, on their delivery thread (frameLock held for frames).
    // `arrived`: the performance counter when the backend received the sample.
    void NotifyFrame(const FrameBuffer& delivered, std::int64_t arrived);
    // A frame made at once (no conversion to account for).
    void NotifyFrame(const FrameBuffer& delivered) { NotifyFrame(delivered, PerformanceCounter()); }
    // A lost frame: streaming goes on.
    void NotifyError(const Exception& error) { NotifyError(error, ErrorEffect::FrameLost); }
    // The stream ended with `error`; the backend has already closed the
    // device (IsOpened is false), so the sink may open it again.
    void NotifyStreamEnded(const Exception& error) { NotifyError(error, ErrorEffect::StreamEnded); }

private:
    void NotifyError(const Exception& error, ErrorEffect effect);

    void* sinkContext_ = nullptr;     // guarded by sinkLock
    FrameCallback onFrame_ = nullptr; // guarded by sinkLock
    ErrorCallback onError_ = nullptr; // guarded by sinkLock
    std::atomic<std::uint64_t> timedFrames_ = 0;
    std::atomic<std::int64_t> conversionTicks_ = 0;
    std::atomic<std::int64_t> sinkTicks_ = 0;
};

} // namespace Common
