#include "ClassFactory.h"

#include "Module.h"
#include "VirtualCameraFilter.h"

#include <new>

namespace VirtualCamera
{

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
