// Entry points of VirtualCamera.dll: COM class objects (the camera, its
// property page), self-registration (regsvr32) and the extra-instance
// registration tests use.
#include "CameraPlug.h"
#include "CameraPropertyPage.h"
#include "ClassFactory.h"
#include "Module.h"
#include "Registration.h"
#include "VirtualCameraFilter.h"
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
    using VirtualCamera::ClassFactory;
    ClassFactory::Maker maker = nullptr;
    if (classId == VirtualCamera::ClassId)
    {
        maker = &ClassFactory::Make<VirtualCamera::VirtualCameraFilter>;
    }
    else if (classId == VirtualCamera::PropertyPageId)
    {
        maker = &ClassFactory::Make<VirtualCamera::CameraPropertyPage>;
    }
    else
    {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    auto* factory = new (std::nothrow) ClassFactory(maker);
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
// registered) under the key `instance`: `catalogue` "broken" gives a camera
// without a usable format, "videoinfo2" one with VIDEOINFOHEADER2 formats
// only; an empty `devicePath` writes none.
extern "C" HRESULT WINAPI RegisterVirtualCameraInstance(const wchar_t* instance, const wchar_t* friendlyName,
                                                        const wchar_t* devicePath, const wchar_t* catalogue)
{
    if (instance == nullptr || friendlyName == nullptr || devicePath == nullptr || catalogue == nullptr)
    {
        return E_POINTER;
    }
    return VirtualCamera::Registration::RegisterInstance(instance, friendlyName, devicePath, catalogue);
}

extern "C" HRESULT WINAPI UnregisterVirtualCameraInstance(const wchar_t* instance)
{
    if (instance == nullptr)
    {
        return E_POINTER;
    }
    return VirtualCamera::Registration::UnregisterInstance(instance);
}

// The camera's cable, for tests: pulled (a streaming camera reports
// EC_DEVICE_LOST and stops, the standard instance leaves the category) and
// plugged back.
extern "C" HRESULT WINAPI UnplugVirtualCamera()
{
    return VirtualCamera::CameraPlug::Unplug();
}

extern "C" HRESULT WINAPI ReplugVirtualCamera()
{
    return VirtualCamera::CameraPlug::Replug();
}
