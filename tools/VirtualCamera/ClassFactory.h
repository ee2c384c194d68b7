// VirtualCamera::ClassFactory: makes VirtualCameraFilter objects for COM.
// Any thread.
#pragma once

#include "ComObject.h"

#include <objbase.h>

namespace VirtualCamera
{

class ClassFactory final : public ComObject<ComInterface<IClassFactory, IID_IClassFactory>>
{
public:
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** result) override;
    STDMETHODIMP LockServer(BOOL lock) override;
};

} // namespace VirtualCamera
