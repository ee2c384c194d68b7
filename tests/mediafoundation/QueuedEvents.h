// QueuedEvents: IMFMediaEventGenerator over one of the platform's event
// queues, for the test source and its stream (Base is their ComObject). The
// queue is made on construction; the owner shuts it down. Any thread (the
// platform's queue is thread-safe).
#pragma once

#include "Common/ComPointer.h"
#include "Common/Exception.h"

#include <mfapi.h>
#include <mfobjects.h>

#include <atomic>

namespace MediaFoundationTests
{

template <typename Base> class QueuedEvents : public Base
{
public:
    HRESULT STDMETHODCALLTYPE GetEvent(DWORD flags, IMFMediaEvent** event) override
    {
        return events_->GetEvent(flags, event);
    }
    HRESULT STDMETHODCALLTYPE BeginGetEvent(IMFAsyncCallback* callback, IUnknown* state) override
    {
        return events_->BeginGetEvent(callback, state);
    }
    HRESULT STDMETHODCALLTYPE EndGetEvent(IMFAsyncResult* result, IMFMediaEvent** event) override
    {
        return events_->EndGetEvent(result, event);
    }
    HRESULT STDMETHODCALLTYPE QueueEvent(MediaEventType type, REFGUID extendedType, HRESULT status,
                                         const PROPVARIANT* value) override
    {
        return events_->QueueEventParamVar(type, extendedType, status, value);
    }

protected:
    explicit QueuedEvents(std::atomic<int>* live) : Base(live)
    {
        Common::ThrowIfFailed(MFCreateEventQueue(events_.Put()));
    }

    // Queues an event whose value is the presentation time 0 (start, tick).
    HRESULT QueueAtTimeZero(MediaEventType type)
    {
        PROPVARIANT time;
        PropVariantInit(&time);
        time.vt = VT_I8;
        time.hVal.QuadPart = 0;
        return events_->QueueEventParamVar(type, GUID_NULL, S_OK, &time);
    }

    Common::ComPointer<IMFMediaEventQueue> events_;
};

} // namespace MediaFoundationTests
