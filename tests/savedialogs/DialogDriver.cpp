#include "DialogDriver.h"

#include <vector>

namespace DialogDriver
{

namespace
{
struct Search
{
    HWND owner;
    const wchar_t* title;
    HWND found;
};

BOOL CALLBACK Visit(HWND window, LPARAM parameter)
{
    Search& search = *reinterpret_cast<Search*>(parameter);
    if (GetWindow(window, GW_OWNER) == search.owner && IsWindowVisible(window) && IsWindowEnabled(window) &&
        (search.title == nullptr || TextOf(window) == search.title))
    {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}
} // namespace

HWND WaitForOwnedWindow(HWND owner, const wchar_t* title)
{
    const ULONGLONG deadline = GetTickCount64() + 10000;
    do
    {
        Search search = {owner, title, nullptr};
        EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr)
        {
            return search.found;
        }
        // Nothing to wait on: the window appears when the other thread gets there.
        Sleep(20);
    } while (GetTickCount64() < deadline);
    return nullptr;
}

std::wstring TextOf(HWND window)
{
    std::vector<wchar_t> text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1);
    GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    return text.data();
}

std::wstring ControlText(HWND dialog, int id)
{
    return TextOf(GetDlgItem(dialog, id));
}

void SetControlText(HWND dialog, int id, const std::wstring& text)
{
    SendMessageW(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Click(HWND dialog, int id)
{
    SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

} // namespace DialogDriver
