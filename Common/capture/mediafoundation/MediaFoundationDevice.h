// Common::MediaFoundationDevice: one Media Foundation video capture device.
// It lists the device's native media types it can stream as frame formats
// (when first asked: activating a camera takes time) and streams the
// selected one through an asynchronous source reader with the platform's
// converters disabled; every sample is converted by the program's own
// Transformer for the format's subtype into `frame`.
//
// Threads: the UI thread constructs, opens, closes and changes the format;
// a Media Foundation work-queue thread runs OnReadResult (through Callback), the
// transformer and the sink's callbacks.
// Locks: deviceLock (row 1 of Common/LockOrder.h), then the device's own.
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

    // Builds the device from its activation object: name and path only; the
    // camera itself is not touched (see ReadFormats). Raises Exception when
    // either attribute is missing.
    MediaFoundationDevice(IMFActivate* activate, bool allowDuplicateFrameFormat,
                          SourceReaderFactory sourceReaderFactory = CreateSourceReader);
    // Closes the device; after that the platform may still hold the last
    // callback but never reaches this device. Never throws.
    ~MediaFoundationDevice() override;

    // Activates the camera once to list its native media types, leaving out
    // those the program cannot stream (no converter: H264, I420, infrared or
    // depth types) and those that do not say their size or rate. Raises
    // Exception, in the program's words where the code has some (access
    // denied, in use), when the camera cannot be activated or offers no
    // such type; the next call tries again.
    void ReadFormats() override;
    bool IsOpened() const override;
    // Reads the formats first if that has not been done.
    void Open() override;
    // Ends the reads with a flush, shuts the source down (once: the reader
    // is told to leave it alone) and hands the reader to
    // MediaFoundationReaderRelease; nothing here waits for the reader. A
    // source that is already gone (MF_E_SHUTDOWN, a removed device) counts
    // as shut down. May be called from the device's own callbacks.
    void Close() override;
    // From the media source: the open one, or while closed one activated for
    // the settings alone (the next Open takes it over, the destructor shuts
    // it down).
    std::shared_ptr<CameraControls> GetCameraControls() override;

protected:
    void ApplyFrameFormat() override;

private:
    const std::shared_ptr<CriticalSection> sharedDeviceLock;
    // Guards `reader` and `callback` and serialises Open, Close and
    // OnReadResult (row 1 of Common/LockOrder.h). Shared with the callbacks,
    // so that it outlives the device while the platform still holds one of
    // them.
    CriticalSection& deviceLock;

    friend class Callback;

    // Handles one read result on the delivery thread: a failed status, an
    // error or the end of the stream ends the stream (the device closes and
    // the sink hears of it once); otherwise the sample (may be null) is
    // converted and the next read requested. A failure of one sample is
    // reported and streaming goes on; a failed read request ends the stream.
    void OnReadResult(HRESULT status, DWORD streamFlags, IMFSample* sample);
    // The source said the camera was removed (MEVideoCaptureDeviceRemoved,
    // passed on by the reader): the stream ends as on a failed read.
    void OnDeviceRemoved();
    // The reader says the stream's media type changed (the camera switched
    // on its own while streaming): a type of the same picture size that the program converts is followed
    // (its converter, stride and YUV encoding from then on); anything else
    // ends the stream once, in the program's words. Returns false when the
    // stream ended.
    bool FollowMediaTypeChange();
    // Converts one sample of `streamFormat`, or raises Exception (the frame
    // is lost).
    void ConvertSample(IMFSample* sample);
    // The transformer of `subtype`, empty if the program has none.
    std::shared_ptr<Transformer> FindTransformer(const GUID& subtype) const;
    // Under deviceLock: the stream delivers `format` from now on.
    void SetStreamFormat(std::shared_ptr<const FrameFormat> format);
    // Under deviceLock, open: lets the reader go (awaitFlush: after a flush
    // that ends the read under way) and shuts the source down. Returns the
    // shut-down's failure, if it matters (see Close).
    HRESULT CloseReader(bool flush);
    // Under deviceLock, open, on the delivery thread: closes (flush: ending
    // a read still under way) and tells the sink.
    void EndStream(const Exception& error, bool flush = false);

    ComPointer<IMFActivate> activate;
    SourceReaderFactory sourceReaderFactory;
    const bool allowDuplicates;
    ComPointer<IMFSourceReader> reader; // guarded by deviceLock
    ComPointer<Callback> callback;      // guarded by deviceLock; the open reader's
    // guarded by deviceLock: what the stream delivers, the selected format
    // until the camera changes its media type while streaming
    std::shared_ptr<const FrameFormat> streamFormat;
    bool sourceForControls = false; // guarded by deviceLock; activated by GetCameraControls while closed
    std::vector<std::shared_ptr<Transformer>> transformers;
    std::shared_ptr<Transformer> currentTransformer; // guarded by deviceLock
};

} // namespace Common
