#include "CameraPlug.h"

#include "Registration.h"
#include "VirtualCameraIds.h"

namespace VirtualCamera
{
namespace
{

constexpr wchar_t UnpluggedEventName[] = L"TavixVirtualCameraUnplugged";

} // namespace

Common::UniqueHandle CameraPlug::OpenUnpluggedEvent()
{
    // Made by whoever comes first, the test or a camera.
    return Common::UniqueHandle(CreateEventW(nullptr, TRUE, FALSE, UnpluggedEventName));
}

HRESULT CameraPlug::Unplug()
{
    const Common::UniqueHandle event = OpenUnpluggedEvent();
    if (!event || !SetEvent(event.Get()))
    {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    return Registration::UnregisterInstance(FriendlyName);
}

HRESULT CameraPlug::Replug()
{
    const Common::UniqueHandle event = OpenUnpluggedEvent();
    if (!event)
    {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    const HRESULT hr = Registration::RegisterInstance(FriendlyName, FriendlyName, DevicePath, L"standard");
    if (FAILED(hr))
    {
        return hr;
    }
    return ResetEvent(event.Get()) ? S_OK : HRESULT_FROM_WIN32(GetLastError());
}

bool CameraPlug::IsUnplugged()
{
    const Common::UniqueHandle event = OpenUnpluggedEvent();
    return event && WaitForSingleObject(event.Get(), 0) == WAIT_OBJECT_0;
}

} // namespace VirtualCamera
