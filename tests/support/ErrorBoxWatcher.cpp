#include "ErrorBoxWatcher.h"

namespace TestSupport
{

ErrorBoxWatcher::ErrorBoxWatcher()
    : step_(
          [this]
          {
              EnumThreadWindows(GetCurrentThreadId(), &ErrorBoxWatcher::Answer,
                                reinterpret_cast<LPARAM>(this));
              return false;
          })
{
}

BOOL CALLBACK ErrorBoxWatcher::Answer(HWND window, LPARAM watcher)
{
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    wchar_t title[16] = {};
    GetWindowTextW(window, title, 16);
    if (IsWindowVisible(window) && std::wstring(className) == L"#32770" && std::wstring(title) == L"エラー")
    {
        // The message box's text is its static item 0xFFFF.
        wchar_t text[1024] = {};
        GetDlgItemTextW(window, 0xFFFF, text, 1024);
        reinterpret_cast<ErrorBoxWatcher*>(watcher)->texts_.emplace_back(text);
        PostMessageW(window, WM_COMMAND, IDOK, 0);
    }
    return TRUE;
}

} // namespace TestSupport
