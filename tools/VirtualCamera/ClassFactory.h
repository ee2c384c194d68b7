// VirtualCamera::ClassFactory: makes the objects of one class of this DLL for
// COM (the camera's filter, its property page). Any thread.
#pragma once

#include "ComObject.h"

#include <objbase.h>

#include <new>

namespace VirtualCamera
{

class ClassFactory final : public ComObject<ComInterface<IClassFactory, IID_IClassFactory>>
{
public:
    // Makes one object and asks it for `iid`.
    using Maker = HRESULT (*)(REFIID iid, void** result);
    explicit ClassFactory(Maker maker) : maker_(maker) {}

    // The maker of objects of class `Product`.
    template <class Product> static HRESULT Make(REFIID iid, void** result)
    {
        auto* object = new (std::nothrow) Product();
        if (object == nullptr)
        {
            return E_OUTOFMEMORY;
        }
        const HRESULT hr = object->QueryInterface(iid, result);
        object->Release();
        return hr;
    }

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** result) override;
    STDMETHODIMP LockServer(BOOL lock) override;

private:
    const Maker maker_;
};

} // namespace VirtualCamera
