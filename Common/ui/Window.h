// Common::Mfc::Window: a thin owner-less handle of one native window, the
// base of the program's windows and what BindableBase notifies. The window
// layer stands in for the UI framework the program was designed on; it only
// wraps plain Win32. UI thread.
#pragma once

#include <windows.h>

namespace Common::Mfc
{

class Window
{
public:
    Window() = default;
    virtual ~Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // The native handle, or null while the window does not exist.
    HWND GetSafeHwnd() const { return handle_; }

    void Attach(HWND handle) { handle_ = handle; }
    HWND Detach()
    {
        HWND old = handle_;
        handle_ = nullptr;
        return old;
    }

private:
    HWND handle_ = nullptr;
};

} // namespace Common::Mfc
