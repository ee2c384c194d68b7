// Common::MediaFoundationDevice: one Media Foundation video capture device.
// It lists the device's native media types as frame formats and streams the
// selected one through an asynchronous source reader with the platform's
// converters disabled; every sample is converted by the program's own
// Transformer for the format's subtype into `frame`.
//
// Threads: the UI thread constructs, opens, closes and changes the format;
// a Media Foundation work-queue thread runs OnSample (through Callback), the
// transformer and the sink's callbacks.
// Locks: deviceLock before frameLock before sinkLock.
#pragma once

#include "Common/ComPointer.h"
#include "Common/CriticalSection.h"
#include "Common/capture/Device.h"

#include <guiddef.h>
#include <mfidl.h>
#include <mfreadwrite.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <source_location>
#include <vector>

namespace Common
{

class Transformer;

class MediaFoundationDevice : public Device
{
public:
    // The source reader's callback; holds deviceLock.
    class Callback;

    // Where source readers come from: MFCreateSourceReaderFromMediaSource
    // unless a test passes another.
    using SourceReaderFactory =
        std::function<HRESULT(IMFMediaSource* source, IMFAttributes* attributes, IMFSourceReader** reader)>;
    static HRESULT CreateSourceReader(IMFMediaSource* source, IMFAttributes* attributes,
                                      IMFSourceReader** reader);

    // One of each transformer (Common/capture/transform) under its Media
    // Foundation subtype, in the order RGB32, ARGB32, RGB24, RGB555, RGB565,
    // RGB8, YUY2, YVYU, UYVY, NV12, MJPG.
    static std::vector<std::shared_ptr<Transformer>> CreateTransformers();

    // Builds the device from its activation object: name, path and formats.
    // Raises Exception on failure, also when the device offers no media type.
    MediaFoundationDevice(IMFActivate* activate, bool allowDuplicateFrameFormat,
                          SourceReaderFactory sourceReaderFactory = CreateSourceReader);
    // Closes the device; after that the platform may still hold the last
    // callback but never reaches this device. Never throws.
    ~MediaFoundationDevice() override;

    bool IsOpened() const override;
    void Open() override;
    // Ends the reads with a flush and waits (up to closeTimeoutMilliseconds)
    // for the reader to confirm it, then shuts the source down and lets the
    // reader go. Called from the device's own frame or error callback it
    // only starts this; the next Open, Close or the destructor finishes it.
    void Close() override;
    void ApplyFrameFormat() override;

    static constexpr DWORD closeTimeoutMilliseconds = 5000;
    // Under Wine only: the pause between the reader's last event and letting
    // it go (see SettleReaderOnWine in the source).
    static constexpr DWORD wineReaderSettleMilliseconds = 20;

private:
    const std::shared_ptr<CriticalSection> sharedDeviceLock;

public:
    // Guards `reader` and `callback` and serialises Open, Close and
    // OnSample. Shared with the callbacks, so that it outlives the device
    // while the platform still holds one of them.
    CriticalSection& deviceLock;

private:
    friend class Callback;

    // A reader on its way out: flushed (or not, when the flush failed), its
    // callback detached from the device.
    struct ClosingReader
    {
        ComPointer<IMFSourceReader> reader;
        ComPointer<Callback> callback;
        HRESULT flush = S_OK;
    };

    // Handles one read result on the delivery thread (sample may be null;
    // flags are the reader's MF_SOURCE_READERF_* of the result).
    void OnSample(DWORD streamFlags, IMFSample* sample);
    // Reads the stream's new media type: the same size and layout carry on,
    // anything else makes every later sample an error until the next Open.
    void CheckChangedMediaType();
    void ConvertSample(IMFSample* sample);
    // Issues the next asynchronous read, if still open.
    void RequestNextSample(std::source_location where = std::source_location::current());
    // Under deviceLock: detaches the open reader and its callback and asks the
    // reader to flush.
    ClosingReader DetachReader();
    // Without deviceLock, not on the delivery thread: waits for the flush to
    // be confirmed and lets the reader go.
    static void FinishClosing(ClosingReader& closing);
    // Finishes a close begun on the delivery thread, if there is one.
    void FinishParkedClose();

    ComPointer<IMFActivate> activate;
    SourceReaderFactory sourceReaderFactory;
    ComPointer<IMFSourceReader> reader; // guarded by deviceLock
    ComPointer<Callback> callback;      // guarded by deviceLock; the open reader's
    ClosingReader parked;               // guarded by deviceLock; closed from the delivery thread
    DWORD deliveryThread = 0;           // guarded by deviceLock; the thread inside OnSample
    bool mediaTypeChanged = false;      // guarded by deviceLock; the stream left the selected format
    std::vector<std::shared_ptr<Transformer>> transformers;
    std::shared_ptr<Transformer> currentTransformer; // guarded by deviceLock
};

} // namespace Common
