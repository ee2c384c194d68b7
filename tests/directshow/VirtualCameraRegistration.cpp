#include "VirtualCameraRegistration.h"

#include "Common/capture/VideoCapture.h"
#include "tools/VirtualCamera/VirtualCameraIds.h"

#include <objbase.h>

#include <stdexcept>

namespace
{

std::wstring LibraryPath()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring text = path;
    return text.substr(0, text.find_last_of(L"\\/") + 1) + L"VirtualCamera.dll";
}

bool IsClassRegistered()
{
    wchar_t classText[64] = {};
    StringFromGUID2(VirtualCamera::ClassId, classText, 64);
    HKEY key = nullptr;
    const std::wstring path = std::wstring(L"CLSID\\") + classText + L"\\InprocServer32";
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    {
        return false;
    }
    RegCloseKey(key);
    return true;
}

} // namespace

std::size_t FindVirtualCamera(const Common::VideoCapture& capture)
{
    std::size_t index = 0;
    while (index < capture.devices.size() && capture.devices[index]->path != VirtualCamera::DevicePath)
    {
        ++index;
    }
    return index;
}

VirtualCameraRegistration::VirtualCameraRegistration()
{
    wasRegistered_ = IsClassRegistered();
    library_ = LoadLibraryW(LibraryPath().c_str());
    if (library_ == nullptr)
    {
        throw std::runtime_error("VirtualCamera.dll is not next to the test executable");
    }
    if (FAILED(Register()))
    {
        FreeLibrary(library_);
        throw std::runtime_error("DllRegisterServer of VirtualCamera.dll failed");
    }
}

VirtualCameraRegistration::~VirtualCameraRegistration()
{
    // A test that failed half-way leaves no cable pulled for the next.
    Replug();
    if (!wasRegistered_)
    {
        Unregister();
    }
    FreeLibrary(library_);
}

template <class... Arguments>
HRESULT VirtualCameraRegistration::CallExport(const char* name, Arguments... arguments) const
{
    using Function = HRESULT(WINAPI*)(Arguments...);
    const auto function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library_, name)));
    return function != nullptr ? function(arguments...) : E_NOTIMPL;
}

HRESULT VirtualCameraRegistration::Register()
{
    return CallExport("DllRegisterServer");
}

HRESULT VirtualCameraRegistration::Unregister()
{
    return CallExport("DllUnregisterServer");
}

HRESULT VirtualCameraRegistration::Unplug()
{
    return CallExport("UnplugVirtualCamera");
}

HRESULT VirtualCameraRegistration::Replug()
{
    return CallExport("ReplugVirtualCamera");
}

HRESULT VirtualCameraRegistration::RegisterInstance(const wchar_t* instance, const wchar_t* friendlyName,
                                                    const wchar_t* devicePath, const wchar_t* catalogue)
{
    return CallExport("RegisterVirtualCameraInstance", instance, friendlyName, devicePath, catalogue);
}

HRESULT VirtualCameraRegistration::UnregisterInstance(const wchar_t* instance)
{
    return CallExport("UnregisterVirtualCameraInstance", instance);
}

ExtraCamera::ExtraCamera(VirtualCameraRegistration& registration, const wchar_t* instance,
                         const wchar_t* friendlyName, const wchar_t* devicePath, const wchar_t* catalogue)
    : registered(registration.RegisterInstance(instance, friendlyName, devicePath, catalogue)),
      registration_(registration), instance_(instance)
{
}

ExtraCamera::~ExtraCamera()
{
    registration_.UnregisterInstance(instance_);
}
