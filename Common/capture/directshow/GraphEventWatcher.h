// Common::GraphEventWatcher: reads one filter graph's events on a thread of
// its own for as long as it lives, and calls `onDeviceLost` when the graph
// reports that its capture device was removed (EC_DEVICE_LOST). Every other
// event is read and let go, so the graph's queue never fills up.
//
// Threads: made and destroyed by the owner of the graph (UI thread);
// `onDeviceLost` runs on the watcher's thread. The destructor waits for a
// running call to return, so the callback must not wait for the owner.
#pragma once

#include "Common/ComPointer.h"
#include "Common/UniqueHandle.h"

#include <windows.h>

#include <control.h>
#include <strmif.h>

#include <functional>
#include <thread>

namespace Common
{

class GraphEventWatcher
{
public:
    // Raises Exception when the graph has no event interface or handle.
    GraphEventWatcher(IGraphBuilder& graph, std::function<void()> onDeviceLost);
    ~GraphEventWatcher();
    GraphEventWatcher(const GraphEventWatcher&) = delete;
    GraphEventWatcher& operator=(const GraphEventWatcher&) = delete;

private:
    void Run() noexcept;
    // Takes every queued event; true when one of them was a device removal.
    bool DrainEvents() noexcept;

    ComPointer<IMediaEventEx> events_;
    HANDLE queued_ = nullptr; // the graph's own, set while events wait; not ours to close
    UniqueHandle stop_;
    std::function<void()> onDeviceLost_;
    std::thread thread_;
};

} // namespace Common
