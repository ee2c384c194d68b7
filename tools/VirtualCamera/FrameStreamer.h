// VirtualCamera::FrameStreamer: the streaming thread of the camera's pin.
// While it runs it paints frames of the test pattern into samples of the
// connection's allocator and delivers them, time-stamped, to the downstream
// input pin at the format's nominal rate; a camera that falls behind drops
// frames, which the frame counter in the pattern then shows.
//
// Threads: Start and Stop on the graph's thread under the filter's lock; the
// streaming thread touches only what Start handed it (the format, the input
// pin, the allocator) and the stop signal.
#pragma once

#include "CameraFormat.h"
#include "CameraSettings.h"
#include "Common/ComPointer.h"

#include <windows.h>

#include <strmif.h>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace VirtualCamera
{

class FrameStreamer
{
public:
    FrameStreamer() = default;
    ~FrameStreamer();
    FrameStreamer(const FrameStreamer&) = delete;
    FrameStreamer& operator=(const FrameStreamer&) = delete;

    bool IsRunning() const { return worker_.joinable(); }
    // Commits the allocator and starts the thread, which paints with
    // `settings` (they outlive the stream). When the camera is `cabled` and
    // the cable is pulled (CameraPlug) the thread tells `events`
    // EC_DEVICE_LOST for `filter` once and delivers nothing more; both are
    // the graph's and the filter's own, not counted, and outlive the stream
    // (null: nobody is told).
    HRESULT Start(const CameraFormat& format, Common::ComPointer<IMemInputPin> input,
                  Common::ComPointer<IMemAllocator> allocator, CameraSettings& settings,
                  IMediaEventSink* events, IBaseFilter* filter, bool cabled);
    // Ends the thread and decommits the allocator; nothing when not running.
    void Stop();

private:
    void Run(CameraFormat format, Common::ComPointer<IMemInputPin> input, CameraSettings* settings,
             IMediaEventSink* events, IBaseFilter* filter, bool cabled);
    // After the cable was pulled: tells the graph, then waits for Stop.
    void Unplugged(IMediaEventSink* events, IBaseFilter* filter);

    std::thread worker_;
    Common::ComPointer<IMemAllocator> allocator_; // of the running stream

    std::mutex stopLock_;
    std::condition_variable stopSignal_;
    bool stopping_ = false; // guarded by stopLock_
};

} // namespace VirtualCamera
