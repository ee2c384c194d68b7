#include "TestMediaStream.h"

#include "LiveObjects.h"
#include "TestMediaSource.h"

#include <mfapi.h>
#include <mferror.h>

namespace MediaFoundationTests
{

TestMediaStream::TestMediaStream(TestMediaSource* source, std::shared_ptr<const TestSourceSetup> setup,
                                 IMFStreamDescriptor* descriptor)
    : QueuedEvents(&LiveObjects::streams), source_(source), setup_(std::move(setup)), descriptor_(descriptor)
{
}

TestMediaStream::~TestMediaStream()
{
    if (events_)
    {
        events_->Shutdown();
    }
}

HRESULT TestMediaStream::GetMediaSource(IMFMediaSource** source)
{
    std::lock_guard lock(mutex_);
    if (source_ == nullptr)
    {
        return MF_E_SHUTDOWN;
    }
    return source_->QueryInterface(IID_PPV_ARGS(source));
}

HRESULT TestMediaStream::GetStreamDescriptor(IMFStreamDescriptor** descriptor)
{
    *descriptor = descriptor_.Get();
    (*descriptor)->AddRef();
    return S_OK;
}

HRESULT TestMediaStream::RequestSample(IUnknown* token)
{
    std::lock_guard lock(mutex_);
    if (source_ == nullptr)
    {
        return MF_E_SHUTDOWN;
    }
    ++requests_;
    if (setup_->holdSamples)
    {
        pending_.emplace_back(token);
        return S_OK;
    }
    return SendSample(token);
}

HRESULT TestMediaStream::SendSample(IUnknown* token)
{
    UINT32 index = 0;
    Common::ComPointer<IMFMediaTypeHandler> handler;
    Common::ComPointer<IMFMediaType> current;
    if (SUCCEEDED(descriptor_->GetMediaTypeHandler(handler.Put())) &&
        SUCCEEDED(handler->GetCurrentMediaType(current.Put())))
    {
        current->GetUINT32(TestTypeIndexKey, &index);
    }
    if (index >= setup_->types.size())
    {
        return E_UNEXPECTED;
    }
    Common::ComPointer<IMFSample> sample;
    HRESULT hr = MFCreateSample(sample.Put());
    if (FAILED(hr))
    {
        return hr;
    }
    Common::ComPointer<IMFMediaBuffer> buffer;
    buffer.Attach(TestMediaBuffer::Create(setup_->types[index].frame));
    sample->AddBuffer(buffer.Get());
    sample->SetSampleTime(time_);
    sample->SetSampleDuration(333333);
    time_ += 333333;
    if (token != nullptr)
    {
        sample->SetUnknown(MFSampleExtension_Token, token);
    }
    ++samples_;
    return events_->QueueEventParamUnk(MEMediaSample, GUID_NULL, S_OK, sample.Get());
}

void TestMediaStream::OnStarted()
{
    QueueAtTimeZero(MEStreamStarted);
}

void TestMediaStream::Shutdown()
{
    std::lock_guard lock(mutex_);
    source_ = nullptr;
    pending_.clear();
    events_->Shutdown();
}

int TestMediaStream::Deliver(int count)
{
    std::lock_guard lock(mutex_);
    int sent = 0;
    while (sent < count && !pending_.empty() && source_ != nullptr)
    {
        Common::ComPointer<IUnknown> token = std::move(pending_.front());
        pending_.pop_front();
        if (SUCCEEDED(SendSample(token.Get())))
        {
            ++sent;
        }
    }
    return sent;
}

void TestMediaStream::QueueTick()
{
    std::lock_guard lock(mutex_);
    QueueAtTimeZero(MEStreamTick);
}

void TestMediaStream::QueueError(HRESULT status)
{
    std::lock_guard lock(mutex_);
    events_->QueueEventParamVar(MEError, GUID_NULL, status, nullptr);
}

int TestMediaStream::GetRequestCount()
{
    std::lock_guard lock(mutex_);
    return requests_;
}

int TestMediaStream::GetSampleCount()
{
    std::lock_guard lock(mutex_);
    return samples_;
}

int TestMediaStream::GetPendingCount()
{
    std::lock_guard lock(mutex_);
    return static_cast<int>(pending_.size());
}

} // namespace MediaFoundationTests
