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

class MediaFoundationDevice : public Device
{
public:
    // Converters from a source pixel layout into the device's FrameBuffer.
    class Transformer;
    class RGB32Transformer;
    class ARGB32Transformer;
    class RGB24Transformer;
    class RGB555Transformer;
    class RGB565Transformer;
    class RGB8Transformer;
    class YUY2Transformer;
    class YVYUTransformer;
    class UYVYTransformer;
    class NV12Transformer;
    class MJPGTransformer;

    // The source reader's callback; holds deviceLock.
    class Callback;

    // Where source readers come from: MFCreateSourceReaderFromMediaSource
    // unless a test passes another.
    using SourceReaderFactory =
        std::function<HRESULT(IMFMediaSource* source, IMFAttributes* attributes, IMFSourceReader** reader)>;
    static HRESULT CreateSourceReader(IMFMediaSource* source, IMFAttributes* attributes,
                                      IMFSourceReader** reader);

    // One of each transformer, in the order RGB32, ARGB32, RGB24, RGB555,
    // RGB565, RGB8, YUY2, YVYU, UYVY, NV12, MJPG.
    static std::vector<std::shared_ptr<Transformer>> CreateTransformers();

    // Builds the device from its activation object: name, path and formats.
    // Raises Exception on failure, also when the device offers no media type.
    MediaFoundationDevice(IMFActivate* activate, bool allowDuplicateFrameFormat,
                          SourceReaderFactory sourceReaderFactory = CreateSourceReader);
    // Closes the device and detaches it from its callback; after that the
    // platform may still hold the callback but never reaches this device.
    ~MediaFoundationDevice() override;

    bool IsOpened() const override;
    void Open() override;
    void Close() override;
    void ApplyFrameFormat() override;

private:
    const std::shared_ptr<CriticalSection> sharedDeviceLock;

public:
    // Guards `reader` and `callback` and serialises Open, Close and
    // OnSample. Shared with the callbacks, so that it outlives the device
    // while the platform still holds one of them.
    CriticalSection& deviceLock;

private:
    ComPointer<IMFActivate> activate;
    ComPointer<Callback> callback; // guarded by deviceLock; the next reader's

private:
    friend class Callback;

    // Handles one read result on the delivery thread (sample may be null).
    void OnSample(IMFSample* sample);
    void ConvertSample(IMFSample* sample);
    // Issues the next asynchronous read, if still open.
    void RequestNextSample(std::source_location where = std::source_location::current());
    // Cuts the current callback off the device and puts a fresh one in its
    // place; under deviceLock.
    void RetireCallback();
    // Releases a reader whose source is shut down, on this thread (see the
    // definition).
    static void ReleaseReader(ComPointer<IMFSourceReader>& closing);
    static constexpr DWORD readerSettleMilliseconds = 20;

    SourceReaderFactory sourceReaderFactory;
    ComPointer<IMFSourceReader> reader; // guarded by deviceLock
    std::vector<std::shared_ptr<Transformer>> transformers;
    std::shared_ptr<Transformer> currentTransformer; // guarded by deviceLock
};

} // namespace Common
