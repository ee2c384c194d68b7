// The one way the program shows an error to the user: a modal box titled
// "エラー" with one OK button. UI thread.
#pragma once

#include <windows.h>

#include <exception>
#include <string>

namespace TavixCapture
{

class ErrorBox
{
public:
    // An Exception gives its message, followed by "File(Line)" when debug
    // messages are enabled; anything else "未知のエラーが発生しました。".
    static std::wstring ComposeText(const std::exception_ptr& error, bool withLocation);
    // Shows the box for the error, owned by `owner` (null at start-up).
    static void Show(HWND owner, const std::exception_ptr& error, bool withLocation);
    // Breaks every run without a space longer than `width` characters (a
    // long path) after a folder separator where it can, so that the box
    // stays narrower than the screen; the box itself breaks only at spaces.
    static std::wstring WrapLongRuns(const std::wstring& text, std::size_t width = 60);
};

} // namespace TavixCapture
