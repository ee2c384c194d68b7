#include "ConsoleOutput.h"

#include <algorithm>

ConsoleOutput::ConsoleOutput(DWORD which) : handle_(GetStdHandle(which)), isConsole_(false)
{
    DWORD mode = 0;
    isConsole_ =
        handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE && GetConsoleMode(handle_, &mode) != FALSE;
}

bool ConsoleOutput::WriteLine(const std::wstring& text)
{
    const std::lock_guard hold(lock_);
    if (!Write(text + L"\r\n"))
    {
        failed_ = true;
        return false;
    }
    return true;
}

bool ConsoleOutput::Write(const std::wstring& line)
{
    if (handle_ == nullptr || handle_ == INVALID_HANDLE_VALUE)
    {
        return false;
    }
    if (isConsole_)
    {
        DWORD written = 0;
        return WriteConsoleW(handle_, line.c_str(), static_cast<DWORD>(line.size()), &written, nullptr) &&
               written == line.size();
    }
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0,
                                          nullptr, nullptr);
    if (bytes <= 0)
    {
        return false;
    }
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    if (WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), utf8.data(), bytes,
                            nullptr, nullptr) != bytes)
    {
        return false;
    }
    for (std::size_t done = 0; done < utf8.size();)
    {
        DWORD written = 0;
        if (!WriteFile(handle_, utf8.data() + done, static_cast<DWORD>(utf8.size() - done), &written,
                       nullptr) ||
            written == 0)
        {
            return false;
        }
        done += written;
    }
    return true;
}
