// VirtualCamera::ClassFactory: makes VirtualCameraFilter objects for COM.
// Any thread.
#pragma once

#include <objbase.h>

#include <atomic>

namespace VirtualCamera
{

class ClassFactory final : public IClassFactory
{
public:
    ClassFactory();
    ~ClassFactory();
    ClassFactory(const ClassFactory&) = delete;
    ClassFactory& operator=(const ClassFactory&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** result) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** result) override;
    STDMETHODIMP LockServer(BOOL lock) override;

private:
    std::atomic<ULONG> references_{1};
};

} // namespace VirtualCamera
