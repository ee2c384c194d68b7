#include "ClassFactory.h"

#include "Module.h"
#include "VirtualCameraFilter.h"

#include <new>

namespace VirtualCamera
{

ClassFactory::ClassFactory()
{
    Module::AddReference();
}

ClassFactory::~ClassFactory()
{
    Module::RemoveReference();
}

STDMETHODIMP ClassFactory::QueryInterface(REFIID iid, void** result)
{
    if (result == nullptr)
    {
        return E_POINTER;
    }
    if (iid != IID_IUnknown && iid != IID_IClassFactory)
    {
        *result = nullptr;
        return E_NOINTERFACE;
    }
    *result = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) ClassFactory::AddRef()
{
    return ++references_;
}

STDMETHODIMP_(ULONG) ClassFactory::Release()
{
    const ULONG count = --references_;
    if (count == 0)
    {
        delete this;
    }
    return count;
}

STDMETHODIMP ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** result)
{
    if (result == nullptr)
    {
        return E_POINTER;
    }
    *result = nullptr;
    if (outer != nullptr)
    {
        return CLASS_E_NOAGGREGATION;
    }
    auto* filter = new (std::nothrow) VirtualCameraFilter();
    if (filter == nullptr)
    {
        return E_OUTOFMEMORY;
    }
    const HRESULT hr = filter->QueryInterface(iid, result);
    filter->Release();
    return hr;
}

STDMETHODIMP ClassFactory::LockServer(BOOL lock)
{
    if (lock)
    {
        Module::AddReference();
    }
    else
    {
        Module::RemoveReference();
    }
    return S_OK;
}

} // namespace VirtualCamera
