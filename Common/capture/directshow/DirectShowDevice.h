// Common::DirectShowVideoCapture::DirectShowDevice: one DirectShow capture
// device with a filter graph of its own: the device's source filter, a sample
// grabber that asks for ARGB32 (DirectShow inserts whatever converts to it)
// and the capture graph builder that connects them at Open.
//
// Threads: construction, Open, Close and destruction on the UI thread;
// OnBuffer on DirectShow's streaming thread (through Callback::BufferCB),
// under frameLock and then sinkLock.
#pragma once

#include "Common/ComPointer.h"
#include "Common/capture/Device.h"
#include "Common/capture/directshow/DirectShowVideoCapture.h"

#include <windows.h>

#include <control.h>
#include <qedit.h>
#include <strmif.h>

#include <atomic>

namespace Common
{

class DirectShowVideoCapture::DirectShowDevice : public Device
{
public:
    class Callback;

    // One device from one moniker of the video input category. Raises
    // Exception when the device cannot be used, including when it offers no
    // usable format.
    DirectShowDevice(IMoniker& moniker, bool allowDuplicateFrameFormat,
                     const MediaControlFactory& mediaControlFactory = GetGraphMediaControl);
    ~DirectShowDevice() override;

    bool IsOpened() const override;
    // After a Close whose Stop failed, stops the graph first.
    void Open() override;
    // Whatever Stop answers, no sample reaches the sink afterwards and the
    // next Open starts over; a failed Stop is raised after the tear-down.
    void Close() override;

    // One sample of `length` bytes from the grabber, ARGB32 in the selected
    // format's row order. Copies it upright into `frame` and hands it to the
    // sink; a sample too short for the format is skipped and reported. Errors
    // go to the sink's error callback and are raised again. Streaming thread.
    void OnBuffer(const BYTE* buffer, long length);

    // Disconnects everything downstream of `filter` in this device's graph.
    void TearDownDownstream(IBaseFilter* filter);

private:
    void EnumerateFormats(bool allowDuplicateFrameFormat);
    // Removes what RenderStream added to the graph (a Smart Tee, converters):
    // left in place they would pile up, one more set at every Open.
    void RemoveInsertedFilters();

    ComPointer<IBaseFilter> deviceFilter;
    ComPointer<IBaseFilter> grabberFilter;
    ComPointer<ISampleGrabber> sampleGrabber;
    ComPointer<IGraphBuilder> graph;
    ComPointer<IMediaControl> mediaControl;
    ComPointer<ICaptureGraphBuilder2> captureBuilder;
    ComPointer<IAMStreamConfig> streamConfig;
    ComPointer<Callback> callback;
    // Written on the UI thread, read by the streaming thread in OnBuffer.
    std::atomic<bool> isRunning{false};
    // UI thread: the last Stop failed, so the graph may still be running.
    bool stopFailed = false;
};

} // namespace Common
