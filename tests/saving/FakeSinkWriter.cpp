#include "FakeSinkWriter.h"

namespace SavingTests
{

namespace
{
const DWORD StreamIndex = 3; // not 0, so a writer that ignores the index shows

std::vector<Attribute> CopyAttributes(IMFMediaType& type)
{
    std::vector<Attribute> attributes;
    UINT32 count = 0;
    type.GetCount(&count);
    for (UINT32 i = 0; i < count; ++i)
    {
        GUID key = {};
        PROPVARIANT value;
        PropVariantInit(&value);
        if (SUCCEEDED(type.GetItemByIndex(i, &key, &value)))
        {
            attributes.push_back(value.vt == VT_CLSID ? Attribute(key, *value.puuid)
                                 : value.vt == VT_UI4 ? Attribute(key, std::uint64_t{value.ulVal})
                                                      : Attribute(key, value.uhVal.QuadPart));
        }
        PropVariantClear(&value);
    }
    return attributes;
}

class FakeSinkWriter final : public IMFSinkWriter
{
public:
    explicit FakeSinkWriter(std::shared_ptr<SinkWriterLog> log) : log_(std::move(log))
    {
        ++log_->liveWriters;
    }
    ~FakeSinkWriter() { --log_->liveWriters; }

    STDMETHODIMP QueryInterface(REFIID iid, void** result) override
    {
        if (iid == IID_IUnknown || iid == __uuidof(IMFSinkWriter))
        {
            *result = static_cast<IMFSinkWriter*>(this);
            AddRef();
            return S_OK;
        }
        *result = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    STDMETHODIMP_(ULONG) Release() override
    {
        const ULONG count = --references_;
        if (count == 0)
        {
            delete this;
        }
        return count;
    }

    STDMETHODIMP AddStream(IMFMediaType* type, DWORD* index) override
    {
        if (const HRESULT hr = Record(L"AddStream"); FAILED(hr))
        {
            return hr;
        }
        log_->outputType = CopyAttributes(*type);
        *index = StreamIndex;
        return S_OK;
    }
    STDMETHODIMP SetInputMediaType(DWORD index, IMFMediaType* type, IMFAttributes*) override
    {
        if (const HRESULT hr = Record(L"SetInputMediaType"); FAILED(hr))
        {
            return hr;
        }
        log_->inputStreamIndex = index;
        log_->inputType = CopyAttributes(*type);
        return S_OK;
    }
    STDMETHODIMP BeginWriting() override { return Record(L"BeginWriting"); }
    STDMETHODIMP WriteSample(DWORD index, IMFSample* sample) override
    {
        if (const HRESULT hr = Record(L"WriteSample"); FAILED(hr))
        {
            return hr;
        }
        WrittenSample written = {index, 0, 0, {}};
        sample->GetSampleTime(&written.time);
        sample->GetSampleDuration(&written.duration);
        IMFMediaBuffer* buffer = nullptr;
        if (SUCCEEDED(sample->ConvertToContiguousBuffer(&buffer)))
        {
            BYTE* data = nullptr;
            DWORD length = 0;
            if (SUCCEEDED(buffer->Lock(&data, nullptr, &length)))
            {
                written.bytes.assign(data, data + length);
                buffer->Unlock();
            }
            buffer->Release();
        }
        log_->samples.push_back(std::move(written));
        return S_OK;
    }
    STDMETHODIMP Finalize() override { return Record(L"Finalize"); }
    // Not used by the program.
    STDMETHODIMP SendStreamTick(DWORD, LONGLONG) override { return E_NOTIMPL; }
    STDMETHODIMP PlaceMarker(DWORD, void*) override { return E_NOTIMPL; }
    STDMETHODIMP NotifyEndOfSegment(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP Flush(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetServiceForStream(DWORD, REFGUID, REFIID, void**) override { return E_NOTIMPL; }
    STDMETHODIMP GetStatistics(DWORD, MF_SINK_WRITER_STATISTICS*) override { return E_NOTIMPL; }

private:
    HRESULT Record(const wchar_t* call)
    {
        log_->calls.push_back(call);
        return log_->failingCall == call ? E_FAIL : S_OK;
    }

    std::shared_ptr<SinkWriterLog> log_;
    std::atomic<ULONG> references_ = 1;
};
} // namespace

TavixCapture::SinkWriterFactory MakeFakeSinkWriterFactory(std::shared_ptr<SinkWriterLog> log)
{
    return [log](const std::wstring& path, IMFSinkWriter** writer)
    {
        log->path = path;
        log->calls.push_back(L"Create");
        if (log->failingCall == L"Create")
        {
            return static_cast<HRESULT>(E_INVALIDARG);
        }
        *writer = new FakeSinkWriter(log);
        return S_OK;
    };
}

} // namespace SavingTests
