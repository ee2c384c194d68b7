#include "Common/capture/directshow/GraphEventWatcher.h"

#include "Common/Exception.h"

#include <evcode.h>

namespace Common
{

GraphEventWatcher::GraphEventWatcher(IGraphBuilder& graph, std::function<void()> onDeviceLost)
    : onDeviceLost_(std::move(onDeviceLost))
{
    ThrowIfFailed(graph.QueryInterface(IID_IMediaEventEx, events_.PutVoid()));
    OAEVENT handle = 0;
    ThrowIfFailed(events_->GetEventHandle(&handle));
    queued_ = reinterpret_cast<HANDLE>(handle);
    stop_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ThrowIfFalse(static_cast<bool>(stop_));
    thread_ = std::thread(&GraphEventWatcher::Run, this);
}

GraphEventWatcher::~GraphEventWatcher()
{
    SetEvent(stop_.Get());
    thread_.join();
}

void GraphEventWatcher::Run() noexcept
{
    // The graph is free-threaded: its events are read here without marshalling.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    const HANDLE waits[] = {stop_.Get(), queued_};
    while (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 + 1)
    {
        if (DrainEvents())
        {
            onDeviceLost_();
        }
    }
    if (SUCCEEDED(com))
    {
        CoUninitialize();
    }
}

bool GraphEventWatcher::DrainEvents() noexcept
{
    bool lost = false;
    long code = 0;
    LONG_PTR first = 0;
    LONG_PTR second = 0;
    while (events_->GetEvent(&code, &first, &second, 0) == S_OK)
    {
        // The second parameter is zero for a removal, one for a return.
        if (code == EC_DEVICE_LOST && second == 0)
        {
            lost = true;
        }
        events_->FreeEventParams(code, first, second);
    }
    return lost;
}

} // namespace Common
