#include "ReaderTap.h"

#include "support/ComObject.h"
#include "TestDevices.h"

#include <mfapi.h>

namespace MediaFoundationTests
{

namespace
{

using Common::ComPointer;

class TapCallback final : public ComObject<Answers<IMFSourceReaderCallback>, IMFSourceReaderCallback>
{
public:
    TapCallback(IMFSourceReaderCallback* inner, std::shared_ptr<ReaderTap> tap) : inner_(inner), tap_(tap) {}
    HRESULT STDMETHODCALLTYPE OnReadSample(HRESULT status, DWORD stream, DWORD flags, LONGLONG time,
                                           IMFSample* sample) override
    {
        const HRESULT injected = tap_->failNextStatus.exchange(S_OK);
        flags |= tap_->injectFlags.exchange(0);
        tap_->lastReturn =
            inner_->OnReadSample(FAILED(injected) ? injected : status, stream, flags, time, sample);
        ++tap_->results;
        return tap_->lastReturn;
    }
    HRESULT STDMETHODCALLTYPE OnFlush(DWORD stream) override
    {
        if (tap_->holdFlush)
        {
            std::lock_guard lock(tap_->mutex);
            tap_->heldFlush = ComPointer<IMFSourceReaderCallback>(inner_.Get());
            return S_OK;
        }
        ++tap_->flushes;
        return inner_->OnFlush(stream);
    }
    HRESULT STDMETHODCALLTYPE OnEvent(DWORD stream, IMFMediaEvent* event) override
    {
        return inner_->OnEvent(stream, event);
    }

private:
    const ComPointer<IMFSourceReaderCallback> inner_;
    const std::shared_ptr<ReaderTap> tap_;
};

class TapReader final : public ComObject<Answers<IMFSourceReader>, IMFSourceReader>
{
public:
    TapReader(IMFSourceReader* inner, std::shared_ptr<ReaderTap> tap) : inner_(inner), tap_(tap) {}

    HRESULT STDMETHODCALLTYPE GetCurrentMediaType(DWORD index, IMFMediaType** type) override
    {
        std::lock_guard lock(tap_->mutex);
        if (!tap_->currentType)
        {
            return inner_->GetCurrentMediaType(index, type);
        }
        *type = tap_->currentType.Get();
        (*type)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ReadSample(DWORD index, DWORD flags, DWORD* actual, DWORD* sampleFlags,
                                         LONGLONG* time, IMFSample** sample) override
    {
        ++tap_->readRequests;
        int remaining = tap_->failReads.load();
        while (remaining > 0 && !tap_->failReads.compare_exchange_weak(remaining, remaining - 1))
        {
        }
        return remaining > 0 ? ReaderTap::failReadCode
                             : inner_->ReadSample(index, flags, actual, sampleFlags, time, sample);
    }
    // clang-format off
    TAVIX_FORWARD(GetStreamSelection, (DWORD i, BOOL* s), (i, s))
    TAVIX_FORWARD(SetStreamSelection, (DWORD i, BOOL s), (i, s))
    TAVIX_FORWARD(GetNativeMediaType, (DWORD i, DWORD t, IMFMediaType** m), (i, t, m))
    TAVIX_FORWARD(SetCurrentMediaType, (DWORD i, DWORD* r, IMFMediaType* m), (i, r, m))
    TAVIX_FORWARD(SetCurrentPosition, (REFGUID f, REFPROPVARIANT p), (f, p))
    TAVIX_FORWARD(Flush, (DWORD i), (i))
    TAVIX_FORWARD(GetServiceForStream, (DWORD i, REFGUID s, REFIID d, void** r), (i, s, d, r))
    TAVIX_FORWARD(GetPresentationAttribute, (DWORD i, REFGUID k, PROPVARIANT* v), (i, k, v))
    // clang-format on

private:
    const ComPointer<IMFSourceReader> inner_;
    const std::shared_ptr<ReaderTap> tap_;
};

} // namespace

Common::MediaFoundationDevice::SourceReaderFactory ReaderTap::Factory()
{
    return [weak = weak_from_this()](IMFMediaSource* source, IMFAttributes* attributes,
                                     IMFSourceReader** reader) -> HRESULT
    {
        const std::shared_ptr<ReaderTap> tap = weak.lock();
        ComPointer<IMFSourceReaderCallback> callback;
        if (!tap ||
            FAILED(attributes->GetUnknown(MF_SOURCE_READER_ASYNC_CALLBACK, IID_PPV_ARGS(callback.Put()))))
        {
            // The synchronous reader that lists the formats is the platform's own.
            return MFCreateSourceReaderFromMediaSource(source, attributes, reader);
        }
        {
            std::lock_guard lock(tap->mutex);
            tap->lastCallback = callback;
        }
        ComPointer<IMFSourceReaderCallback> tapped;
        tapped.Attach(new TapCallback(callback.Get(), tap));
        ComPointer<IMFSourceReader> inner;
        HRESULT hr = attributes->SetUnknown(MF_SOURCE_READER_ASYNC_CALLBACK, tapped.Get());
        if (SUCCEEDED(hr))
        {
            hr = MFCreateSourceReaderFromMediaSource(source, attributes, inner.Put());
        }
        if (SUCCEEDED(hr))
        {
            *reader = new TapReader(inner.Get(), tap);
        }
        return hr;
    };
}

bool ReaderTap::WaitForResults(int count, DWORD milliseconds)
{
    return WaitUntil([&] { return results.load() >= count; }, milliseconds);
}

HRESULT ReaderTap::PassSourceEvent(MediaEventType type)
{
    ComPointer<IMFSourceReaderCallback> callback;
    {
        std::lock_guard lock(mutex);
        callback = lastCallback;
    }
    ComPointer<IMFMediaEvent> event;
    HRESULT hr = callback ? MFCreateMediaEvent(type, GUID_NULL, S_OK, nullptr, event.Put()) : E_FAIL;
    if (SUCCEEDED(hr))
    {
        hr = callback->OnEvent(static_cast<DWORD>(MF_SOURCE_READER_MEDIASOURCE), event.Get());
    }
    return hr;
}

bool ReaderTap::ReleaseFlush()
{
    ComPointer<IMFSourceReaderCallback> held;
    {
        std::lock_guard lock(mutex);
        held = std::move(heldFlush);
    }
    if (!held)
    {
        return false;
    }
    ++flushes;
    return SUCCEEDED(held->OnFlush(static_cast<DWORD>(MF_SOURCE_READER_ALL_STREAMS)));
}

void ReaderTap::SetCurrentType(IMFMediaType* type)
{
    std::lock_guard lock(mutex);
    currentType = Common::ComPointer<IMFMediaType>(type);
}

} // namespace MediaFoundationTests
