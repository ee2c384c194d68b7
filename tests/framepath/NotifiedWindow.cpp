#include "NotifiedWindow.h"

#include <gtest/gtest.h>

namespace
{
constexpr wchar_t ClassName[] = L"TavixNotifiedWindow";
constexpr std::int32_t LastPropertyId = 21;
} // namespace

NotifiedWindow::NotifiedWindow(const Common::Mfc::BindableBase& source) : source_(source)
{
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &NotifiedWindow::WindowProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = ClassName;
    if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    {
        ADD_FAILURE() << "RegisterClassExW failed: " << GetLastError();
    }
    const HWND handle = CreateWindowExW(0, ClassName, L"notified", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                        GetModuleHandleW(nullptr), nullptr);
    EXPECT_NE(handle, nullptr) << "no window: is there a display?";
    SetWindowLongPtrW(handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    Attach(handle);
}

NotifiedWindow::~NotifiedWindow()
{
    DestroyWindow(Detach());
}

LRESULT CALLBACK NotifiedWindow::WindowProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<NotifiedWindow*>(GetWindowLongPtrW(handle, GWLP_USERDATA));
    if (self != nullptr && message == WM_APP)
    {
        self->OnModelMessage(wParam, lParam);
        return 0;
    }
    if (self != nullptr && message == WM_KEYDOWN && self->onKeyDown)
    {
        self->onKeyDown(wParam);
        return 0;
    }
    return DefWindowProcW(handle, message, wParam, lParam);
}

void NotifiedWindow::OnModelMessage(WPARAM wParam, LPARAM lParam)
{
    auto* sender = reinterpret_cast<Common::Mfc::BindableBase*>(wParam);
    const auto id = static_cast<std::int32_t>(lParam);
    if (sender != &source_ || id < 0 || id > LastPropertyId || lParam != static_cast<LPARAM>(id))
    {
        ++malformed;
        return;
    }
    sender->AcknowledgeNotification(this, id);
    if (onNotification)
    {
        onNotification(id);
    }
}

void NotifiedWindow::PumpQueued()
{
    MSG message;
    while (PeekMessageW(&message, GetSafeHwnd(), 0, 0, PM_REMOVE))
    {
        DispatchMessageW(&message);
    }
}

bool NotifiedWindow::PumpUntil(const std::function<bool()>& done, HANDLE wake, DWORD timeoutMs)
{
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;)
    {
        MSG message;
        while (PeekMessageW(&message, GetSafeHwnd(), 0, 0, PM_REMOVE))
        {
            DispatchMessageW(&message);
            if (done())
            {
                return true;
            }
        }
        if (done())
        {
            return true;
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= end)
        {
            return false;
        }
        const DWORD handleCount = wake != nullptr ? 1 : 0;
        const DWORD result = MsgWaitForMultipleObjects(handleCount, wake != nullptr ? &wake : nullptr, FALSE,
                                                       static_cast<DWORD>(end - now), QS_ALLINPUT);
        if (result == WAIT_FAILED)
        {
            ADD_FAILURE() << "MsgWaitForMultipleObjects failed: " << GetLastError();
            return false;
        }
    }
}
