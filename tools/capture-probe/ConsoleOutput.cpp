#include "ConsoleOutput.h"

ConsoleOutput::ConsoleOutput(DWORD which) : handle_(GetStdHandle(which)), isConsole_(false)
{
    DWORD mode = 0;
    isConsole_ =
        handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE && GetConsoleMode(handle_, &mode) != FALSE;
}

void ConsoleOutput::WriteLine(const std::wstring& text)
{
    if (handle_ == nullptr || handle_ == INVALID_HANDLE_VALUE)
    {
        return;
    }
    const std::wstring line = text + L"\r\n";
    DWORD written = 0;
    if (isConsole_)
    {
        WriteConsoleW(handle_, line.c_str(), static_cast<DWORD>(line.size()), &written, nullptr);
        return;
    }
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0,
                                          nullptr, nullptr);
    if (bytes <= 0)
    {
        return;
    }
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), utf8.data(), bytes, nullptr,
                        nullptr);
    WriteFile(handle_, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}
