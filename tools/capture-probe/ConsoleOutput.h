// ConsoleOutput: prints wide text to the console (WriteConsoleW) or, when
// the output is redirected, as UTF-8. Main thread; the error callback may
// print from the delivery thread: lines stay whole (one lock per output).
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>

class ConsoleOutput
{
public:
    // STD_OUTPUT_HANDLE or STD_ERROR_HANDLE.
    explicit ConsoleOutput(DWORD which);
    // False when the line could not be written whole.
    bool WriteLine(const std::wstring& text);
    // Whether any line failed so far (a full disk, a closed pipe, no output).
    bool HasFailed() const { return failed_; }

private:
    bool Write(const std::wstring& line);

    HANDLE handle_;
    bool isConsole_;
    std::mutex lock_; // one line at a time
    std::atomic<bool> failed_{false};
};
