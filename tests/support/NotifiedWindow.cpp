#include "NotifiedWindow.h"

#include <gtest/gtest.h>

namespace
{
constexpr std::int32_t LastPropertyId = 21;
}

NotifiedWindow::NotifiedWindow()
{
    CreateEx(0, L"TavixNotifiedWindow", L"notified", WS_POPUP, RECT{0, 0, 10, 10}, nullptr, 0);
}

NotifiedWindow::~NotifiedWindow()
{
    DestroyWindow();
}

void NotifiedWindow::OnPropertyChanged(std::int32_t id)
{
    if (id < 0 || id > LastPropertyId)
    {
        ++malformed;
        return;
    }
    if (onNotification)
    {
        onNotification(id);
    }
    else
    {
        kept_.push_back(static_cast<TavixCapture::PropertyId>(id));
    }
}

Ids NotifiedWindow::Drain()
{
    PumpQueued();
    Ids ids;
    ids.swap(kept_);
    return ids;
}

bool NotifiedWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == WM_KEYDOWN && onKeyDown)
    {
        onKeyDown(wParam);
        result = 0;
        return true;
    }
    return Window::OnMessage(message, wParam, lParam, result);
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
