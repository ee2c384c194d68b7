// Common::Device: one capture device of a backend: its formats, the selected
// one, and the latest converted frame. Frames and errors go to one sink
// through plain callbacks, on the backend's delivery thread.
//
// Threads: the owner (UI thread) opens, closes and changes the format; the
// backend's delivery thread writes the frame and calls the sink. The frame
// and the frame lock stay inside: other threads read the frame through
// CopyLatestFrame. Locks: frameLock and the sink lock, placed in the
// program's lock order in Common/LockOrder.h.
#pragma once

#include "Common/CriticalSection.h"
#include "Common/Exception.h"
#include "Common/capture/FrameBuffer.h"
#include "Common/capture/FrameFormat.h"
#include "Common/capture/FrameRegion.h"
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

    // Makes the formats ready (a backend may list a camera before reading
    // them). Raises Exception saying why the device cannot be used; the
    // device stays listed and the next call tries again. UI thread.
    virtual void ReadFormats() {}
    virtual bool IsOpened() const = 0;
    // Starts streaming the selected format; does nothing if open. On failure
    // raises Exception and the device stays closed.
    virtual void Open() = 0;
    // Stops streaming; does nothing if closed.
    virtual void Close() = 0;

    // The owner's one way to change the selected format: Close,
    // OnFrameFormatChanging, set the index, ApplyFrameFormat, and Open again
    // if the device was open. An index outside the formats raises Exception
    // before anything changes.
    void SelectFrameFormat(std::int32_t index);

    // Registers the sink under the sink lock; returns false when it was
    // already registered with the same three values (nothing stored then).
    bool RegisterSink(void* context, FrameCallback frameCallback, ErrorCallback errorCallback);
    // Clears the sink under the sink lock. Once this returns, no callback runs.
    void ClearSink();

    // The camera's settings (exposure, gain, white balance, ...), open or
    // closed; a device without any gives controls that support nothing.
    virtual std::shared_ptr<CameraControls> GetCameraControls();

    // The formats the device offers (empty until ReadFormats succeeded).
    const std::vector<std::shared_ptr<FrameFormat>>& GetFormats() const { return formats; }
    std::int32_t GetSelectedFormatIndex() const { return selectedFormatIndex_; }
    // The selected format (GetFormats()[GetSelectedFormatIndex()]).
    const std::shared_ptr<FrameFormat>& GetSelectedFormat() const;

    // A rectangle of the frame, in pixels.
    // Picks, under the frame lock, the image to copy for the latest frame:
    // `latest` itself, or an image the sink writes only while a frame is
    // delivered (a processor's output); null copies nothing.
    using ImageChooser = const FrameBuffer* (*)(void* context, const FrameBuffer& latest);

    // Copies the latest frame into `into` under the frame lock: one whole
    // frame, never one the delivery thread is half-way through writing.
    // Allocates nothing when `into` already has room for it (a buffer kept
    // between calls). Any thread.
    void CopyLatestFrame(FrameBuffer& into) const;
    // The same for the rectangle `area` of it (a pixel, a row, a column):
    // `into` becomes area.width x area.height. Returns false, `into`
    // unchanged, when the rectangle is empty or not inside the frame.
    bool CopyLatestFrame(FrameBuffer& into, const FrameRegion& area) const;
    // The same for the image `choose` picks; false when it picks none.
    bool CopyLatestFrame(FrameBuffer& into, ImageChooser choose, void* context) const;

    // The buffer frames are delivered in, for the processor interface alone
    // (IHostServices::GetFrame hands it to plug-ins, which read and change it
    // in place in Process: the device delivers the frame then, and no other
    // thread writes it). Everyone else copies frames with CopyLatestFrame.
    FrameBuffer& GetProcessingFrame() { return frame; }

    std::wstring name;
    std::wstring path;

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
    // Sizes `frame` for the selected format (overrides call this body last).
    virtual void ApplyFrameFormat();
    // Called just before the selected format changes (the device is closed).
    virtual void OnFrameFormatChanging() {}
    // A backend's newly read formats; the first becomes the selected one.
    void SetFormats(std::vector<std::shared_ptr<FrameFormat>> read);

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

    // Written by the backend while nobody else reads them: at construction,
    // or in ReadFormats while closed (through SetFormats).
    std::vector<std::shared_ptr<FrameFormat>> formats;
    // Held while the delivery thread writes `frame` and calls the sink, and
    // while CopyLatestFrame reads it (row 2 of Common/LockOrder.h).
    mutable CriticalSection frameLock;
    FrameBuffer frame; // guarded by frameLock

private:
    void NotifyError(const Exception& error, ErrorEffect effect);

    // Written by the owner only while the device is closed.
    std::int32_t selectedFormatIndex_ = 0;
    CriticalSection sinkLock_;        // row 3 of Common/LockOrder.h
    void* sinkContext_ = nullptr;     // guarded by sinkLock_
    FrameCallback onFrame_ = nullptr; // guarded by sinkLock_
    ErrorCallback onError_ = nullptr; // guarded by sinkLock_
    std::atomic<std::uint64_t> timedFrames_ = 0;
    std::atomic<std::int64_t> conversionTicks_ = 0;
    std::atomic<std::int64_t> sinkTicks_ = 0;
};

} // namespace Common
