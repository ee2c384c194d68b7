// ProbeProcess: capture-probe.exe (next to the test executable) run as a
// process of its own with its output in a pipe, as a script would run it.
// Test main thread.
#pragma once

#include "Common/UniqueHandle.h"

#include <windows.h>

#include <string>

class ProbeProcess
{
public:
    // Starts the probe with `arguments`.
    // `output`, when given, takes its standard output instead of the pipe.
    explicit ProbeProcess(const std::wstring& arguments, HANDLE output = nullptr);
    ~ProbeProcess();

    // Reads the rest of the output and waits for the end; the exit code, or
    // -1 when the probe did not end within `timeoutMs`.
    long Finish(DWORD timeoutMs);

    // Everything read so far (UTF-8).
    const std::string& GetOutput() const { return output_; }
    // The last non-empty line read.
    std::string GetLastLine() const;

private:
    bool ReadSome();

    Common::UniqueHandle readEnd_;
    Common::UniqueHandle process_;
    std::string output_;
};
