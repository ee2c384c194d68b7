#include "ProbeProcess.h"

#include "support/ProgramProcess.h"

#include <gtest/gtest.h>

ProbeProcess::ProbeProcess(const std::wstring& arguments, HANDLE output)
{
    const std::wstring probe = TestSupport::TestBinaryFolder() + L"capture-probe.exe";
    std::wstring command = L"\"" + probe + L"\" " + arguments;

    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
    {
        ADD_FAILURE() << "CreatePipe failed: " << GetLastError();
        return;
    }
    readEnd_.Reset(readEnd);
    const Common::UniqueHandle writeEndOwner(writeEnd);
    EXPECT_TRUE(SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0));
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output != nullptr ? output : writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(probe.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process))
    {
        ADD_FAILURE() << "CreateProcess failed: " << GetLastError();
        return;
    }
    process_.Reset(process.hProcess);
    CloseHandle(process.hThread);
}

ProbeProcess::~ProbeProcess()
{
    if (process_ && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT)
    {
        TerminateProcess(process_.Get(), 99);
    }
}

bool ProbeProcess::ReadSome()
{
    char buffer[4096];
    DWORD read = 0;
    if (!readEnd_ || !ReadFile(readEnd_.Get(), buffer, sizeof(buffer), &read, nullptr) || read == 0)
    {
        return false;
    }
    output_.append(buffer, read);
    return true;
}

long ProbeProcess::Finish(DWORD timeoutMs)
{
    while (ReadSome())
    {
    }
    if (!process_ || WaitForSingleObject(process_.Get(), timeoutMs) != WAIT_OBJECT_0)
    {
        return -1;
    }
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(process_.Get(), &exitCode))
    {
        return -1;
    }
    return static_cast<long>(exitCode);
}

std::string ProbeProcess::GetLastLine() const
{
    std::string text = output_;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
    {
        text.pop_back();
    }
    return text.substr(text.find_last_of('\n') + 1);
}
