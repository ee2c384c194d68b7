#include "ReaderTap.h"

#include "ComObject.h"

#include "Common/ComPointer.h"

#include <mfapi.h>
#include <mfreadwrite.h>

namespace MediaFoundationTests
{

namespace
{

class TapCallback final : public ComObject<Answers<IMFSourceReaderCallback>, IMFSourceReaderCallback>
{
public:
    TapCallback(IMFSourceReaderCallback* inner, std::shared_ptr<ReaderTap> tap)
        : inner_(inner), tap_(std::move(tap))
    {
    }
    HRESULT STDMETHODCALLTYPE OnReadSample(HRESULT status, DWORD stream, DWORD flags, LONGLONG time,
                                           IMFSample* sample) override
    {
        const HRESULT injected = tap_->failNextStatus.exchange(S_OK);
        if (FAILED(injected))
        {
            status = injected;
        }
        tap_->lastStatus = status;
        flags |= tap_->injectFlags.exchange(0);
        const HRESULT result = inner_->OnReadSample(status, stream, flags, time, sample);
        tap_->lastReturn = result;
        ++tap_->results;
        SetEvent(tap_->resultEvent);
        return result;
    }
    HRESULT STDMETHODCALLTYPE OnFlush(DWORD stream) override { return inner_->OnFlush(stream); }
    HRESULT STDMETHODCALLTYPE OnEvent(DWORD stream, IMFMediaEvent* event) override
    {
        return inner_->OnEvent(stream, event);
    }

private:
    ~TapCallback() = default;
    Common::ComPointer<IMFSourceReaderCallback> inner_;
    const std::shared_ptr<ReaderTap> tap_;
};

class TapReader final : public ComObject<Answers<IMFSourceReader>, IMFSourceReader>
{
public:
    TapReader(IMFSourceReader* inner, std::shared_ptr<ReaderTap> tap, bool counting)
        : inner_(inner), tap_(std::move(tap)), counting_(counting)
    {
    }
    HRESULT STDMETHODCALLTYPE GetStreamSelection(DWORD index, BOOL* selected) override
    {
        return inner_->GetStreamSelection(index, selected);
    }
    HRESULT STDMETHODCALLTYPE SetStreamSelection(DWORD index, BOOL selected) override
    {
        return inner_->SetStreamSelection(index, selected);
    }
    HRESULT STDMETHODCALLTYPE GetNativeMediaType(DWORD index, DWORD typeIndex, IMFMediaType** type) override
    {
        return inner_->GetNativeMediaType(index, typeIndex, type);
    }
    HRESULT STDMETHODCALLTYPE GetCurrentMediaType(DWORD index, IMFMediaType** type) override
    {
        if (tap_->currentType)
        {
            *type = tap_->currentType.Get();
            (*type)->AddRef();
            return S_OK;
        }
        return inner_->GetCurrentMediaType(index, type);
    }
    HRESULT STDMETHODCALLTYPE SetCurrentMediaType(DWORD index, DWORD* reserved, IMFMediaType* type) override
    {
        return inner_->SetCurrentMediaType(index, reserved, type);
    }
    HRESULT STDMETHODCALLTYPE SetCurrentPosition(REFGUID format, REFPROPVARIANT position) override
    {
        return inner_->SetCurrentPosition(format, position);
    }
    HRESULT STDMETHODCALLTYPE ReadSample(DWORD index, DWORD flags, DWORD* actualIndex, DWORD* sampleFlags,
                                         LONGLONG* timestamp, IMFSample** sample) override
    {
        if (counting_)
        {
            ++tap_->readRequests;
            int remaining = tap_->failReads.load();
            while (remaining > 0 && !tap_->failReads.compare_exchange_weak(remaining, remaining - 1))
            {
            }
            if (remaining > 0)
            {
                return tap_->failReadCode;
            }
        }
        return inner_->ReadSample(index, flags, actualIndex, sampleFlags, timestamp, sample);
    }
    HRESULT STDMETHODCALLTYPE Flush(DWORD index) override { return inner_->Flush(index); }
    HRESULT STDMETHODCALLTYPE GetServiceForStream(DWORD index, REFGUID service, REFIID iid,
                                                  void** result) override
    {
        return inner_->GetServiceForStream(index, service, iid, result);
    }
    HRESULT STDMETHODCALLTYPE GetPresentationAttribute(DWORD index, REFGUID key, PROPVARIANT* value) override
    {
        return inner_->GetPresentationAttribute(index, key, value);
    }

private:
    ~TapReader() = default;
    Common::ComPointer<IMFSourceReader> inner_;
    const std::shared_ptr<ReaderTap> tap_;
    const bool counting_;
};

} // namespace

ReaderTap::ReaderTap() : resultEvent(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

ReaderTap::~ReaderTap()
{
    CloseHandle(resultEvent);
}

Common::MediaFoundationDevice::SourceReaderFactory ReaderTap::Factory()
{
    std::weak_ptr<ReaderTap> weak = weak_from_this();
    return [weak](IMFMediaSource* source, IMFAttributes* attributes, IMFSourceReader** reader) -> HRESULT
    {
        const std::shared_ptr<ReaderTap> tap = weak.lock();
        if (!tap)
        {
            return E_UNEXPECTED;
        }
        Common::ComPointer<IMFSourceReaderCallback> callback;
        if (attributes != nullptr)
        {
            attributes->GetUnknown(MF_SOURCE_READER_ASYNC_CALLBACK, IID_PPV_ARGS(callback.Put()));
        }
        Common::ComPointer<IMFAttributes> tapped;
        HRESULT hr = MFCreateAttributes(tapped.Put(), 2);
        if (SUCCEEDED(hr) && attributes != nullptr)
        {
            hr = attributes->CopyAllItems(tapped.Get());
        }
        Common::ComPointer<IMFSourceReaderCallback> tapCallback;
        if (SUCCEEDED(hr) && callback)
        {
            tapCallback.Attach(new TapCallback(callback.Get(), tap));
            hr = tapped->SetUnknown(MF_SOURCE_READER_ASYNC_CALLBACK, tapCallback.Get());
        }
        Common::ComPointer<IMFSourceReader> inner;
        if (SUCCEEDED(hr))
        {
            hr = MFCreateSourceReaderFromMediaSource(source, tapped.Get(), inner.Put());
        }
        if (FAILED(hr))
        {
            return hr;
        }
        *reader = new TapReader(inner.Get(), tap, static_cast<bool>(callback));
        return S_OK;
    };
}

bool ReaderTap::WaitForResults(int count, DWORD milliseconds)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    while (results.load() < count)
    {
        const ULONGLONG now = GetTickCount64();
        if (now >= end)
        {
            return false;
        }
        WaitForSingleObject(resultEvent, static_cast<DWORD>(end - now));
    }
    return true;
}

} // namespace MediaFoundationTests
