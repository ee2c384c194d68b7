// VirtualCamera::ComInterface: one interface of a COM class of this DLL and
// the interface ids it answers (its own and those of its bases it stands
// for), and QueryInterfaces, the QueryInterface over such a list: IUnknown is
// the first interface's, a null result pointer is E_POINTER, an unknown id
// E_NOINTERFACE with the result cleared, a found one is counted. Any thread.
#pragma once

#include <objbase.h>

namespace VirtualCamera
{

template <typename Interface, const IID&... Ids> struct ComInterface
{
    using Type = Interface;

    static bool Answers(REFIID iid) { return ((iid == Ids) || ...); }
};

template <typename First, typename... Rest, typename Object>
HRESULT QueryInterfaces(Object* object, REFIID iid, void** result)
{
    if (result == nullptr)
    {
        return E_POINTER;
    }
    *result = nullptr;
    if (iid == IID_IUnknown || First::Answers(iid))
    {
        *result = static_cast<typename First::Type*>(object);
    }
    else
    {
        (void)((Rest::Answers(iid) && (*result = static_cast<typename Rest::Type*>(object), true)) || ...);
    }
    if (*result == nullptr)
    {
        return E_NOINTERFACE;
    }
    object->AddRef();
    return S_OK;
}

} // namespace VirtualCamera
