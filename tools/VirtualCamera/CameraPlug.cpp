#include "CameraPlug.h"

#include "Registration.h"
#include "VirtualCameraIds.h"

#include <utility>

namespace VirtualCamera
{
namespace
{

constexpr wchar_t UnpluggedEventName[] = L"TavixVirtualCameraUnplugged";

// The event lives only while some process holds it: the one that pulled the
// cable holds it until it plugs it back (or ends), so a camera that stopped
// streaming does not find it cleared when it is started again.
Common::UniqueHandle& HeldOut()
{
    static Common::UniqueHandle event;
    return event;
}

} // namespace

Common::UniqueHandle CameraPlug::OpenUnpluggedEvent()
{
    // Made by whoever comes first, the test or a camera.
    return Common::UniqueHandle(CreateEventW(nullptr, TRUE, FALSE, UnpluggedEventName));
}

HRESULT CameraPlug::Unplug()
{
    // Gone from the listing first, as a real camera is by the time its
    // stream reports the loss.
    Common::UniqueHandle event = OpenUnpluggedEvent();
    if (!event)
    {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    const HRESULT hr = Registration::UnregisterInstance(FriendlyName);
    if (FAILED(hr))
    {
        return hr;
    }
    if (!SetEvent(event.Get()))
    {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    HeldOut() = std::move(event);
    return S_OK;
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
    if (!ResetEvent(event.Get()))
    {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    HeldOut().Reset();
    return S_OK;
}

bool CameraPlug::IsUnplugged()
{
    const Common::UniqueHandle event = OpenUnpluggedEvent();
    return event && WaitForSingleObject(event.Get(), 0) == WAIT_OBJECT_0;
}

} // namespace VirtualCamera
