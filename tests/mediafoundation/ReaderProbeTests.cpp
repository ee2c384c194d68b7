// Probe of the platform's source reader over the test source, without the
// device: documents what the reader does with a media source of ours.
#include "LiveObjects.h"
#include "TestActivate.h"

#include "Common/capture/mediafoundation/MediaFoundationInitializer.h"

#include <gtest/gtest.h>
#include <mfapi.h>
#include <mferror.h>
#include <mfreadwrite.h>

#include <cstdio>
#include <windows.h>

using namespace MediaFoundationTests;

namespace
{

class ProbeCallback final : public IMFSourceReaderCallback
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** result) override
    {
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IMFSourceReaderCallback))
        {
            *result = static_cast<IMFSourceReaderCallback*>(this);
            AddRef();
            return S_OK;
        }
        *result = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE OnReadSample(HRESULT status, DWORD stream, DWORD flags, LONGLONG time,
                                           IMFSample* sample) override
    {
        std::printf("OnReadSample status=%08lx stream=%lu flags=%lx time=%lld sample=%p\n",
                    static_cast<unsigned long>(status), stream, flags, time, static_cast<void*>(sample));
        if (sample != nullptr)
        {
            DWORD count = 0;
            sample->GetBufferCount(&count);
            Common::ComPointer<IMFMediaBuffer> buffer;
            sample->GetBufferByIndex(0, buffer.Put());
            Common::ComPointer<IMF2DBuffer> twoD;
            HRESULT hr = buffer.QueryInterface(twoD);
            std::printf("  buffers=%lu 2d=%08lx\n", count, static_cast<unsigned long>(hr));
        }
        ++calls;
        SetEvent(event);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnFlush(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnEvent(DWORD, IMFMediaEvent*) override { return S_OK; }
    std::atomic<ULONG> refs{1};
    std::atomic<int> calls{0};
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
};

} // namespace

TEST(ReaderProbe, AsyncReaderDrivesTestSource)
{
    Common::MediaFoundationInitializer mf;
    auto setup = std::make_shared<TestSourceSetup>();
    auto frame = std::make_shared<TestFrameBytes>();
    frame->bytes.assign(8 * 4 * 4, 0x55);
    setup->AddType(MFVideoFormat_RGB32, 8, 4, 30, 1, 32, frame);
    setup->AddType(MFVideoFormat_YUY2, 8, 4, 15, 1, 0, frame);
    setup->holdSamples = true;
    auto activate = TestActivate::Create(L"Cam", L"link", setup);
    {
        Common::ComPointer<IMFMediaSource> source;
        ASSERT_HRESULT_SUCCEEDED(activate->ActivateObject(IID_PPV_ARGS(source.Put())));
        Common::ComPointer<IMFAttributes> attributes;
        MFCreateAttributes(attributes.Put(), 1);
        attributes->SetUINT32(MF_READWRITE_DISABLE_CONVERTERS, 1);
        Common::ComPointer<IMFSourceReader> reader;
        HRESULT hr = MFCreateSourceReaderFromMediaSource(source.Get(), attributes.Get(), reader.Put());
        std::printf("sync create %08lx\n", static_cast<unsigned long>(hr));
        ASSERT_HRESULT_SUCCEEDED(hr);
        for (DWORD i = 0;; ++i)
        {
            Common::ComPointer<IMFMediaType> type;
            hr = reader->GetNativeMediaType(MF_SOURCE_READER_FIRST_VIDEO_STREAM, i, type.Put());
            std::printf("native %lu %08lx same=%d\n", i, static_cast<unsigned long>(hr),
                        type.Get() == setup->types[i < 2 ? i : 0].type.Get());
            if (FAILED(hr))
            {
                break;
            }
        }
        reader.Reset();
        activate->ShutdownObject();
    }
    std::printf("live sources %d streams %d\n", LiveObjects::sources.load(), LiveObjects::streams.load());
    ProbeCallback callback;
    {
        Common::ComPointer<IMFMediaSource> source;
        ASSERT_HRESULT_SUCCEEDED(activate->ActivateObject(IID_PPV_ARGS(source.Put())));
        Common::ComPointer<IMFAttributes> attributes;
        MFCreateAttributes(attributes.Put(), 2);
        attributes->SetUINT32(MF_READWRITE_DISABLE_CONVERTERS, 1);
        attributes->SetUnknown(MF_SOURCE_READER_ASYNC_CALLBACK, &callback);
        Common::ComPointer<IMFSourceReader> reader;
        HRESULT hr = MFCreateSourceReaderFromMediaSource(source.Get(), attributes.Get(), reader.Put());
        std::printf("async create %08lx\n", static_cast<unsigned long>(hr));
        ASSERT_HRESULT_SUCCEEDED(hr);
        Common::ComPointer<IMFMediaType> type;
        reader->GetNativeMediaType(MF_SOURCE_READER_FIRST_VIDEO_STREAM, 1, type.Put());
        type->SetUINT32(MF_MT_DEFAULT_STRIDE, 16);
        hr = reader->SetCurrentMediaType(MF_SOURCE_READER_FIRST_VIDEO_STREAM, nullptr, type.Get());
        std::printf("set current (with stride written) %08lx\n", static_cast<unsigned long>(hr));
        hr = reader->ReadSample(MF_SOURCE_READER_FIRST_VIDEO_STREAM, 0, nullptr, nullptr, nullptr, nullptr);
        std::printf("read %08lx\n", static_cast<unsigned long>(hr));
        for (int i = 0; i < 50 && activate->GetSource()->GetStream().GetPendingCount() == 0; ++i)
        {
            Sleep(10);
        }
        std::printf("pending %d\n", activate->GetSource()->GetStream().GetPendingCount());
        activate->GetSource()->GetStream().Deliver(1);
        std::printf("wait %lu\n", WaitForSingleObject(callback.event, 2000));
        activate->GetSource()->GetStream().QueueTick();
        hr = reader->ReadSample(MF_SOURCE_READER_FIRST_VIDEO_STREAM, 0, nullptr, nullptr, nullptr, nullptr);
        std::printf("read2 %08lx wait %lu\n", static_cast<unsigned long>(hr),
                    WaitForSingleObject(callback.event, 2000));
        hr = reader->ReadSample(MF_SOURCE_READER_FIRST_VIDEO_STREAM, 0, nullptr, nullptr, nullptr, nullptr);
        activate->GetSource()->GetStream().QueueError(E_ACCESSDENIED);
        std::printf("read3 %08lx wait %lu\n", static_cast<unsigned long>(hr),
                    WaitForSingleObject(callback.event, 2000));
        hr = reader->ReadSample(MF_SOURCE_READER_FIRST_VIDEO_STREAM, 0, nullptr, nullptr, nullptr, nullptr);
        std::printf("read4 %08lx wait %lu pending %d\n", static_cast<unsigned long>(hr),
                    WaitForSingleObject(callback.event, 500),
                    activate->GetSource()->GetStream().GetPendingCount());
        activate->ShutdownObject();
        hr = reader->ReadSample(MF_SOURCE_READER_FIRST_VIDEO_STREAM, 0, nullptr, nullptr, nullptr, nullptr);
        std::printf("read after shutdown %08lx wait %lu\n", static_cast<unsigned long>(hr),
                    WaitForSingleObject(callback.event, 500));
        reader.Reset();
    }
    Sleep(200);
    std::printf("callback refs %lu calls %d live sources %d streams %d buffers %d\n", callback.refs.load(),
                callback.calls.load(), LiveObjects::sources.load(), LiveObjects::streams.load(),
                LiveObjects::buffers.load());
}
