#include "ui/DeviceChangeNotifier.h"

#include "Common/Exception.h"

#include <dbt.h>

namespace TavixCapture
{
namespace
{

constexpr UINT_PTR SettleTimerId = 0x7A31;
// Long enough for the interfaces of one plug to have come, short against
// the time a camera takes to start.
constexpr UINT SettleMilliseconds = 300;

// KSCATEGORY_VIDEO_CAMERA, KSCATEGORY_CAPTURE and KSCATEGORY_VIDEO.
constexpr GUID CameraClasses[] = {
    {0xe5323777, 0xf976, 0x4f5b, {0x9b, 0x55, 0xb9, 0x46, 0x99, 0xc4, 0x6e, 0x44}},
    {0x65e8773d, 0x8f56, 0x11d0, {0xa3, 0xb9, 0x00, 0xa0, 0xc9, 0x22, 0x31, 0x96}},
    {0x6994ad05, 0x93ef, 0x11d0, {0xa3, 0xcc, 0x00, 0xa0, 0xc9, 0x22, 0x31, 0x96}},
};

} // namespace

DeviceChangeNotifier::~DeviceChangeNotifier()
{
    Unregister();
}

void DeviceChangeNotifier::Register(HWND window)
{
    Unregister();
    window_ = window;
    for (const GUID& interfaceClass : CameraClasses)
    {
        DEV_BROADCAST_DEVICEINTERFACE_W filter = {};
        filter.dbcc_size = sizeof(filter);
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_classguid = interfaceClass;
        const HDEVNOTIFY registration =
            RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
        Common::ThrowIfFalse(registration != nullptr);
        registrations_.push_back(registration);
    }
}

void DeviceChangeNotifier::Unregister() noexcept
{
    for (const HDEVNOTIFY registration : registrations_)
    {
        UnregisterDeviceNotification(registration);
    }
    registrations_.clear();
    if (window_ != nullptr && IsWindow(window_))
    {
        KillTimer(window_, SettleTimerId);
    }
}

void DeviceChangeNotifier::OnDeviceChange(WPARAM event, LPARAM data)
{
    if (event == DBT_DEVNODES_CHANGED)
    {
        // Sent to every top-level window when a device node is added or
        // removed, registered or not: the one news of a camera where no
        // interface notification comes (Wine sends none; a registration
        // Windows refused). Unrelated devices also bring it; the list read
        // again then simply stays the same.
        Settle();
        return;
    }
    if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE)
    {
        return;
    }
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    if (header == nullptr || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE)
    {
        return;
    }
    const auto* device = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(header);
    for (const GUID& interfaceClass : CameraClasses)
    {
        if (IsEqualGUID(device->dbcc_classguid, interfaceClass))
        {
            Settle();
            return;
        }
    }
}

void DeviceChangeNotifier::Settle()
{
    if (SetTimer(window_, SettleTimerId, SettleMilliseconds, nullptr) == 0 && onChanged)
    {
        onChanged(); // no timer to wait for: at once
    }
}

bool DeviceChangeNotifier::OnTimer(UINT_PTR id)
{
    if (id != SettleTimerId)
    {
        return false;
    }
    KillTimer(window_, SettleTimerId);
    if (onChanged)
    {
        onChanged();
    }
    return true;
}

} // namespace TavixCapture
