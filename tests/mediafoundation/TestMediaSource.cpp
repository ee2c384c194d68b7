#include "TestMediaSource.h"

#include "LiveObjects.h"

#include <mfapi.h>
#include <mferror.h>

#include <vector>

namespace MediaFoundationTests
{

TestMediaSource::TestMediaSource(std::shared_ptr<const TestSourceSetup> setup)
    : QueuedEvents(&LiveObjects::sources), setup_(std::move(setup))
{
    std::vector<IMFMediaType*> types;
    for (const auto& entry : setup_->types)
    {
        types.push_back(entry.type.Get());
    }
    Common::ComPointer<IMFStreamDescriptor> streamDescriptor;
    Common::ThrowIfFailed(
        MFCreateStreamDescriptor(0, static_cast<DWORD>(types.size()), types.data(), streamDescriptor.Put()));
    IMFStreamDescriptor* descriptors[] = {streamDescriptor.Get()};
    Common::ThrowIfFailed(MFCreatePresentationDescriptor(1, descriptors, descriptor_.Put()));
    Common::ThrowIfFailed(descriptor_->SelectStream(0));
    stream_.Attach(new TestMediaStream(this, setup_, streamDescriptor.Get()));
}

TestMediaSource::~TestMediaSource()
{
    stream_->Shutdown();
    events_->Shutdown();
}

HRESULT TestMediaSource::GetCharacteristics(DWORD* characteristics)
{
    std::lock_guard lock(mutex_);
    if (shutdown_)
    {
        return MF_E_SHUTDOWN;
    }
    *characteristics = MFMEDIASOURCE_IS_LIVE;
    return S_OK;
}

HRESULT TestMediaSource::CreatePresentationDescriptor(IMFPresentationDescriptor** descriptor)
{
    std::lock_guard lock(mutex_);
    if (shutdown_)
    {
        return MF_E_SHUTDOWN;
    }
    return descriptor_->Clone(descriptor);
}

HRESULT TestMediaSource::Start(IMFPresentationDescriptor*, const GUID*, const PROPVARIANT*)
{
    std::lock_guard lock(mutex_);
    if (shutdown_)
    {
        return MF_E_SHUTDOWN;
    }
    HRESULT hr = events_->QueueEventParamUnk(started_ ? MEUpdatedStream : MENewStream, GUID_NULL, S_OK,
                                             static_cast<IMFMediaStream*>(stream_.Get()));
    if (FAILED(hr))
    {
        return hr;
    }
    started_ = true;
    hr = QueueAtTimeZero(MESourceStarted);
    stream_->OnStarted();
    return hr;
}

HRESULT TestMediaSource::Stop()
{
    std::lock_guard lock(mutex_);
    if (shutdown_)
    {
        return MF_E_SHUTDOWN;
    }
    return events_->QueueEventParamVar(MESourceStopped, GUID_NULL, S_OK, nullptr);
}

HRESULT TestMediaSource::Pause()
{
    return MF_E_INVALID_STATE_TRANSITION;
}

HRESULT TestMediaSource::Shutdown()
{
    std::lock_guard lock(mutex_);
    if (shutdown_)
    {
        return MF_E_SHUTDOWN;
    }
    shutdown_ = true;
    stream_->Shutdown();
    events_->Shutdown();
    return S_OK;
}

bool TestMediaSource::IsShutdown()
{
    std::lock_guard lock(mutex_);
    return shutdown_;
}

} // namespace MediaFoundationTests
