// TavixCapture::DeviceChangeNotifier: asks Windows to tell a window when a
// camera arrives or leaves (device interface notifications of the camera and
// video capture classes, and the device-node changes every top-level window
// is told of) and turns the burst of WM_DEVICECHANGE messages one plug brings
// (one per interface) into one call of `onChanged`, a moment after the last.
// UI thread.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

namespace TavixCapture
{

class DeviceChangeNotifier
{
public:
    DeviceChangeNotifier() = default;
    ~DeviceChangeNotifier();
    DeviceChangeNotifier(const DeviceChangeNotifier&) = delete;
    DeviceChangeNotifier& operator=(const DeviceChangeNotifier&) = delete;

    // Registers `window` for the notifications; raises Exception when
    // Windows refuses (the list then follows no change).
    void Register(HWND window);
    // The window's WM_DEVICECHANGE: an arrival or removal of a camera's
    // interface, or a changed device node, (re)starts the timer that calls
    // `onChanged`.
    void OnDeviceChange(WPARAM event, LPARAM data);
    // The window's WM_TIMER; true when it was this notifier's.
    bool OnTimer(UINT_PTR id);

    std::function<void()> onChanged;

private:
    void Unregister() noexcept;
    void Settle();

    HWND window_ = nullptr;
    std::vector<HDEVNOTIFY> registrations_;
};

} // namespace TavixCapture
