#include "ClassFactory.h"

#include "Module.h"

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
    return maker_(iid, result);
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
