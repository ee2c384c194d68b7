// Common::DirectShowVideoCapture::DirectShowDevice: one DirectShow capture
// device with a filter graph of its own: the device's source filter, a sample
// grabber and the capture graph builder that connects the device's capture
// pin to the grabber at Open. For a subtype the program converts itself (the
// ten uncompressed layouts and MJPG, DirectShowSubtypes.h) the grabber takes
// the device's own samples and the device's transformer converts them, as the
// Media Foundation backend does; for any other subtype the grabber asks for
// ARGB32 and DirectShow inserts whatever converts to it.
//
// A camera that is unplugged while streaming (the graph's EC_DEVICE_LOST)
// stops delivering at once and ends its stream with the removal's error; the
// graph itself is stopped by the next Open or Close on the UI thread.
//
// Threads: construction, Open, Close and destruction on the UI thread;
// OnSample on DirectShow's streaming thread (through Callback::SampleCB),
// under the callback's lock, then frameLock and the sink lock (the order of
// Common/LockOrder.h); the removal on the graph's event watcher thread.
#pragma once

#include "Common/ComPointer.h"
#include "Common/capture/Device.h"
#include "Common/capture/directshow/DirectShowVideoCapture.h"

#include <windows.h>

#include <control.h>
#include <qedit.h>
#include <strmif.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace Common
{

class GraphEventWatcher;
class Transformer;

class DirectShowVideoCapture::DirectShowDevice : public Device
{
public:
    class Callback;

    // One device from one moniker of the video input category. A device
    // without a "DevicePath" is known by its class id. Raises Exception when
    // the device cannot be used, including when it offers no usable format.
    DirectShowDevice(IMoniker& moniker, bool allowDuplicateFrameFormat,
                     const MediaControlFactory& mediaControlFactory = GetGraphMediaControl,
                     const SampleGrabberFactory& sampleGrabberFactory = CreateSampleGrabber);
    ~DirectShowDevice() override;

    bool IsOpened() const override;
    // From the source filter, which stays in the graph while closed.
    std::shared_ptr<CameraControls> GetCameraControls() override;
    // After a Close whose Stop failed, stops the graph first.
    void Open() override;
    // Whatever Stop answers, no sample reaches the sink afterwards and the
    // next Open starts over; a failed Stop is raised after the tear-down.
    void Close() override;

    // One sample from the grabber (valid only during the call): converts it
    // into `frame` and hands it to the sink. A sample that brings a new media
    // type switches the conversion to it first. Errors go to the sink's error
    // callback and are raised again. Streaming thread.
    void OnSample(IMediaSample& sample);
    // The same for the bytes of one sample of the connected type; a sample too
    // short for it is skipped and reported.
    void OnBuffer(const BYTE* buffer, long length);

    // Disconnects everything downstream of `filter` in this device's graph.
    void TearDownDownstream(IBaseFilter* filter);

private:
    // How the samples of the connected media type are converted.
    struct Conversion
    {
        std::shared_ptr<Transformer> transformer;
        // The type read as a format: what the transformer is told of the
        // samples beyond their size (their YUV encoding).
        std::shared_ptr<const DirectShowFrameFormat> format;
        std::int32_t width = 0;
        std::int32_t height = 0;
        std::int32_t stride = 0; // negative: bottom-up rows; 0 for MJPG
    };

    void EnumerateFormats(bool allowDuplicateFrameFormat);
    // The media type the grabber asks for when `format` is selected.
    static AM_MEDIA_TYPE GetGrabberType(const AM_MEDIA_TYPE& format);
    // Takes size, row order, YUV encoding and transformer from the type the
    // grabber was connected with (or a sample switched to). Raises Exception
    // for a type the device cannot convert.
    Conversion GetConversion(const AM_MEDIA_TYPE& type) const;
    // Makes `made` the conversion of the samples from now on. Takes frameLock.
    void SwitchConversion(Conversion made);
    void Deliver(const BYTE* buffer, long length, std::int64_t arrived);
    // Removes what RenderStream added to the graph (converters): left in
    // place they would pile up, one more set at every Open.
    void RemoveInsertedFilters();
    // The graph said the camera was removed (watcher thread).
    void OnDeviceLost();

    ComPointer<IBaseFilter> deviceFilter;
    ComPointer<IBaseFilter> grabberFilter;
    ComPointer<ISampleGrabber> sampleGrabber;
    ComPointer<IGraphBuilder> graph;
    ComPointer<IMediaControl> mediaControl;
    ComPointer<ICaptureGraphBuilder2> captureBuilder;
    ComPointer<IAMStreamConfig> streamConfig;
    ComPointer<Callback> callback;
    std::vector<std::shared_ptr<Transformer>> transformers; // one of each, made with the device
    Conversion conversion;                                  // guarded by frameLock
    // Written on the UI thread, read by the streaming thread in OnSample.
    std::atomic<bool> isRunning{false};
    // UI thread: the last Stop failed, so the graph may still be running.
    bool stopFailed = false;
    // Set by the watcher thread when the camera went while the graph ran:
    // the graph still runs, and the next Open or Close stops it.
    std::atomic<bool> lostWhileRunning{false};
    // Last made, first gone: no removal is handled while the rest goes.
    std::unique_ptr<GraphEventWatcher> eventWatcher;
};

} // namespace Common
