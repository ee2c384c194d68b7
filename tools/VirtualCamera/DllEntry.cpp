// Entry points of VirtualCamera.dll: COM class object, self-registration
// (regsvr32) and the extra-instance registration tests use.
#include "ClassFactory.h"
#include "Module.h"
#include "Registration.h"
#include "VirtualCameraIds.h"

#include <windows.h>

#include <new>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
    {
        VirtualCamera::Module::SetHandle(instance);
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID classId, REFIID iid, void** result)
{
    if (result == nullptr)
    {
        return E_POINTER;
    }
    *result = nullptr;
    if (classId != VirtualCamera::ClassId)
    {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    auto* factory = new (std::nothrow) VirtualCamera::ClassFactory();
    if (factory == nullptr)
    {
        return E_OUTOFMEMORY;
    }
    const HRESULT hr = factory->QueryInterface(iid, result);
    factory->Release();
    return hr;
}

extern "C" HRESULT WINAPI DllCanUnloadNow()
{
    return VirtualCamera::Module::IsInUse() ? S_FALSE : S_OK;
}

extern "C" HRESULT WINAPI DllRegisterServer()
{
    return VirtualCamera::Registration::RegisterServer();
}

extern "C" HRESULT WINAPI DllUnregisterServer()
{
    return VirtualCamera::Registration::UnregisterServer();
}

// Registers one more instance of the camera class (the class itself must be
// registered): `catalogue` "broken" gives a camera without a usable format.
extern "C" HRESULT WINAPI RegisterVirtualCameraInstance(const wchar_t* friendlyName,
                                                        const wchar_t* devicePath, const wchar_t* catalogue)
{
    if (friendlyName == nullptr || devicePath == nullptr || catalogue == nullptr)
    {
        return E_POINTER;
    }
    return VirtualCamera::Registration::RegisterInstance(friendlyName, devicePath, catalogue);
}

extern "C" HRESULT WINAPI UnregisterVirtualCameraInstance(const wchar_t* friendlyName)
{
    if (friendlyName == nullptr)
    {
        return E_POINTER;
    }
    return VirtualCamera::Registration::UnregisterInstance(friendlyName);
}
