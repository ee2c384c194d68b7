#include "Desktop.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <vector>

namespace TestSupport
{

namespace
{
POINT ToScreen(HWND window, POINT client)
{
    POINT screen = client;
    EXPECT_TRUE(ClientToScreen(window, &screen));
    return screen;
}

void PostMouse(POINT screen, DWORD flags, int wheel = 0)
{
    // Absolute coordinates run from 0 to 65535 over the primary screen and
    // map back rounding down: round up here to land on the pixel.
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = (screen.x * 65536 + width - 1) / width;
    input.mi.dy = (screen.y * 65536 + height - 1) / height;
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    input.mi.mouseData = static_cast<DWORD>(wheel);
    EXPECT_EQ(SendInput(1, &input, sizeof(input)), 1u);
}

void SendMouse(HWND window, POINT client, DWORD flags, int wheel = 0)
{
    const POINT screen = ToScreen(window, client);
    PostMouse(screen, flags, wheel);
    // The input goes through the platform's queue: wait until the pointer is there.
    PumpUntil(
        [screen]
        {
            POINT now = {};
            GetCursorPos(&now);
            return now.x == screen.x && now.y == screen.y;
        },
        2000);
    Settle();
}

void SendKey(WORD virtualKey, bool up)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    EXPECT_EQ(SendInput(1, &input, sizeof(input)), 1u);
}
} // namespace

void Pump()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMilliseconds)
{
    const ULONGLONG end = GetTickCount64() + timeoutMilliseconds;
    for (;;)
    {
        // One message at a time: a state that lasts only a while (a text
        // shown for a second) is seen before a later message ends it.
        MSG message;
        while (!done() && GetTickCount64() < end && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (done())
        {
            return true;
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= end)
        {
            ADD_FAILURE() << "condition not met within " << timeoutMilliseconds << " ms";
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
}

void Settle()
{
    // Paint messages come only when the queue is empty: pump until a wait
    // for anything but a timer tick (a test's own timer ticks every 50 ms)
    // times out, then flush the screen.
    for (int round = 0; round < 50; ++round)
    {
        Pump();
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT & ~QS_TIMER) == WAIT_TIMEOUT)
        {
            break;
        }
    }
    GdiFlush();
}

void MouseMove(HWND window, POINT client)
{
    SendMouse(window, client, 0);
}

void MouseDown(HWND window, POINT client)
{
    SendMouse(window, client, MOUSEEVENTF_LEFTDOWN);
}

void MouseUp(HWND window, POINT client)
{
    SendMouse(window, client, MOUSEEVENTF_LEFTUP);
}

void MouseWheel(HWND window, POINT client, int delta)
{
    SendMouse(window, client, MOUSEEVENTF_WHEEL, delta);
}

void Click(HWND window, POINT client)
{
    MouseMove(window, client);
    MouseDown(window, client);
    MouseUp(window, client);
}

void DoubleClick(HWND window, POINT client)
{
    PostClick(window, client);
    PostClick(window, client);
    Settle();
}

void ClickCentre(HWND window)
{
    RECT client = {};
    EXPECT_TRUE(GetClientRect(window, &client));
    Click(window, {client.right / 2, client.bottom / 2});
}

void ChooseComboItem(HWND combo, int index)
{
    ClickCentre(combo);
    COMBOBOXINFO info = {};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(GetComboBoxInfo(combo, &info));
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(info.hwndList) != FALSE; }));
    RECT item = {};
    ASSERT_NE(SendMessageW(info.hwndList, LB_GETITEMRECT, static_cast<WPARAM>(index),
                           reinterpret_cast<LPARAM>(&item)),
              LB_ERR);
    Click(info.hwndList, {(item.left + item.right) / 2, (item.top + item.bottom) / 2});
}

void PressKey(WORD virtualKey, bool shift)
{
    if (shift)
    {
        SendKey(VK_SHIFT, false);
    }
    SendKey(virtualKey, false);
    SendKey(virtualKey, true);
    if (shift)
    {
        SendKey(VK_SHIFT, true);
    }
    Settle();
}

void TypeText(const std::wstring& text)
{
    for (const wchar_t character : text)
    {
        const SHORT key = VkKeyScanW(character);
        ASSERT_NE(key, -1) << "no key for the character";
        PressKey(static_cast<WORD>(LOBYTE(key)), (HIBYTE(key) & 1) != 0);
    }
}

void PostClick(HWND window, POINT client)
{
    const POINT screen = ToScreen(window, client);
    PostMouse(screen, MOUSEEVENTF_LEFTDOWN);
    PostMouse(screen, MOUSEEVENTF_LEFTUP);
}

void PostMouseInput(HWND window, POINT client, DWORD flags)
{
    PostMouse(ToScreen(window, client), flags);
}

void PostKey(WORD virtualKey)
{
    SendKey(virtualKey, false);
    SendKey(virtualKey, true);
}

HWND OwnedWindow(HWND owner, const wchar_t* className)
{
    struct Search
    {
        HWND owner;
        const wchar_t* className;
        HWND found;
    } search = {owner, className, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM parameter) -> BOOL
        {
            Search& s = *reinterpret_cast<Search*>(parameter);
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            if (GetWindow(window, GW_OWNER) == s.owner && IsWindowVisible(window) && IsWindowEnabled(window) &&
                (s.className == nullptr || std::wcscmp(name, s.className) == 0))
            {
                s.found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring TextOf(HWND window)
{
    std::vector<wchar_t> text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1);
    GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    return text.data();
}

bool IsChecked(HWND button)
{
    return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

} // namespace TestSupport
