#include "ProgramProcess.h"

#include <gtest/gtest.h>

#include <utility>

namespace TestSupport
{

namespace
{
BOOL CALLBACK FindDialog(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<std::pair<DWORD, HWND>*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (owner == search->first && std::wstring(className) == L"#32770" && IsWindowVisible(window))
    {
        search->second = window;
        return FALSE;
    }
    return TRUE;
}
} // namespace

std::wstring TestBinaryFolder()
{
    wchar_t path[MAX_PATH * 4] = {};
    GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
    const std::wstring text = path;
    return text.substr(0, text.find_last_of(L"\\/") + 1);
}

ProgramProcess::ProgramProcess(const std::wstring& folder)
{
    const std::wstring exe = folder + L"TavixCapture.exe";
    EXPECT_TRUE(CopyFileW((TestBinaryFolder() + L"TavixCapture.exe").c_str(), exe.c_str(), FALSE));
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                       &startup, &process) == FALSE)
    {
        ADD_FAILURE() << "CreateProcess failed: " << GetLastError();
        return;
    }
    CloseHandle(process.hThread);
    process_.Reset(process.hProcess);
    processId_ = process.dwProcessId;
}

ProgramProcess::~ProgramProcess()
{
    if (process_ && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT)
    {
        TerminateProcess(process_.Get(), 1);
        WaitForSingleObject(process_.Get(), 5000);
    }
}

HWND ProgramProcess::WaitForDialog(DWORD timeoutMilliseconds) const
{
    std::pair<DWORD, HWND> search = {processId_, nullptr};
    const ULONGLONG end = GetTickCount64() + timeoutMilliseconds;
    while (process_ && GetTickCount64() < end)
    {
        EnumWindows(&FindDialog, reinterpret_cast<LPARAM>(&search));
        if (search.second != nullptr)
        {
            return search.second;
        }
        if (WaitForSingleObject(process_.Get(), 100) == WAIT_OBJECT_0)
        {
            break;
        }
    }
    ADD_FAILURE() << "the program showed no dialog";
    return nullptr;
}

DWORD ProgramProcess::WaitForExit(DWORD timeoutMilliseconds) const
{
    DWORD code = STILL_ACTIVE;
    EXPECT_EQ(WaitForSingleObject(process_.Get(), timeoutMilliseconds), WAIT_OBJECT_0)
        << "the program did not end";
    EXPECT_TRUE(GetExitCodeProcess(process_.Get(), &code));
    return code;
}

} // namespace TestSupport
