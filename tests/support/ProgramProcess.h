// TavixCapture.exe started as a user starts it: copied from the build into
// a folder of its own and run there, as a separate process. The test
// thread waits for its windows and its end.
#pragma once

#include "Common/UniqueHandle.h"

#include <windows.h>

#include <string>

namespace TestSupport
{

// The folder of the running test program (the build's bin/), ending with a
// separator.
std::wstring TestBinaryFolder();

class ProgramProcess
{
public:
    // Copies the program into `folder` and starts it there.
    explicit ProgramProcess(const std::wstring& folder);
    // Ends the program if it still runs.
    ~ProgramProcess();
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    // A visible top-level dialog or message box of the program; null (and a
    // test failure) when the program ends or the time runs out first.
    HWND WaitForDialog(DWORD timeoutMilliseconds = 30000) const;
    // The exit code; STILL_ACTIVE (and a test failure) after the time-out.
    DWORD WaitForExit(DWORD timeoutMilliseconds = 20000) const;

private:
    Common::UniqueHandle process_;
    DWORD processId_ = 0;
};

} // namespace TestSupport
