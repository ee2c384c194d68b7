// ConsoleOutput: prints wide text to the console (WriteConsoleW) or, when
// the output is redirected, as UTF-8. Main thread; the error callback may
// print from the delivery thread, lines stay whole.
#pragma once

#include <windows.h>

#include <string>

class ConsoleOutput
{
public:
    // STD_OUTPUT_HANDLE or STD_ERROR_HANDLE.
    explicit ConsoleOutput(DWORD which);
    void WriteLine(const std::wstring& text);

private:
    HANDLE handle_;
    bool isConsole_;
};
