#include "TestActivate.h"

#include "LiveObjects.h"

#include <mfapi.h>
#include <mferror.h>

namespace MediaFoundationTests
{

Common::ComPointer<TestActivate> TestActivate::Create(const std::wstring& name, const std::wstring& link,
                                                      std::shared_ptr<const TestSourceSetup> setup)
{
    Common::ComPointer<TestActivate> activate;
    activate.Attach(new TestActivate(std::move(setup)));
    if (!name.empty())
    {
        Common::ThrowIfFailed(activate->SetString(MF_DEVSOURCE_ATTRIBUTE_FRIENDLY_NAME, name.c_str()));
    }
    if (!link.empty())
    {
        Common::ThrowIfFailed(
            activate->SetString(MF_DEVSOURCE_ATTRIBUTE_SOURCE_TYPE_VIDCAP_SYMBOLIC_LINK, link.c_str()));
    }
    return activate;
}

TestActivate::TestActivate(std::shared_ptr<const TestSourceSetup> setup)
    : ForwardedAttributes(&LiveObjects::activates), setup_(std::move(setup))
{
}

TestActivate::~TestActivate()
{
    if (source_)
    {
        source_->Shutdown();
    }
}

void TestActivate::FailActivation(HRESULT code)
{
    std::lock_guard lock(mutex_);
    activationResult_ = code;
}

Common::ComPointer<TestMediaSource> TestActivate::GetSource()
{
    std::lock_guard lock(mutex_);
    return source_;
}

int TestActivate::GetActivationCount()
{
    std::lock_guard lock(mutex_);
    return activations_;
}

int TestActivate::GetShutdownCount()
{
    std::lock_guard lock(mutex_);
    return shutdowns_;
}

HRESULT TestActivate::ActivateObject(REFIID iid, void** result)
{
    std::lock_guard lock(mutex_);
    if (FAILED(activationResult_))
    {
        return activationResult_;
    }
    if (!source_)
    {
        try
        {
            source_.Attach(new TestMediaSource(setup_));
        }
        catch (const Common::Exception& error)
        {
            return error.ErrorCode;
        }
    }
    ++activations_;
    return source_->QueryInterface(iid, result);
}

HRESULT TestActivate::ShutdownObject()
{
    std::lock_guard lock(mutex_);
    ++shutdowns_;
    if (source_)
    {
        source_->Shutdown();
        source_.Reset();
    }
    return S_OK;
}

HRESULT TestActivate::DetachObject()
{
    std::lock_guard lock(mutex_);
    source_.Reset();
    return S_OK;
}

} // namespace MediaFoundationTests
