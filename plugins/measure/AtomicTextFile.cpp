#include "AtomicTextFile.h"

#include "Common/Exception.h"
#include <algorithm>

#include <windows.h>

namespace TavixMeasure
{

namespace
{

[[noreturn]] void ThrowLastError(std::source_location where = std::source_location::current())
{
    const DWORD error = GetLastError();
    throw Common::Exception(error != 0 ? HRESULT_FROM_WIN32(error) : E_FAIL, where);
}

} // namespace

void WriteFileAtomically(const std::wstring& path, const std::string& bytes)
{
    // A name of its own for each writer: the target's name, the process and
    // a counter.
    static volatile LONG counter = 0;
    const std::wstring temporary = path + L"." + std::to_wstring(GetCurrentProcessId()) + L"." +
                                   std::to_wstring(InterlockedIncrement(&counter)) + L".tmp";
    HANDLE file =
        CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
    {
        ThrowLastError();
    }
    bool written = false;
    DWORD error = 0;
    {
        std::size_t offset = 0;
        written = true;
        while (written && offset < bytes.size())
        {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - offset, 1u << 20));
            DWORD done = 0;
            written = WriteFile(file, bytes.data() + offset, chunk, &done, nullptr) != FALSE && done == chunk;
            offset += done;
        }
        written = written && FlushFileBuffers(file) != FALSE;
        if (!written)
        {
            error = GetLastError();
        }
        if (CloseHandle(file) == FALSE && written)
        {
            written = false;
            error = GetLastError();
        }
    }
    if (written && MoveFileExW(temporary.c_str(), path.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE)
    {
        return;
    }
    if (written)
    {
        error = GetLastError();
    }
    // The temporary file goes whatever happened; its own failure to go
    // is not the error the user needs to hear about.
    static_cast<void>(DeleteFileW(temporary.c_str()));
    throw Common::Exception(error != 0 ? HRESULT_FROM_WIN32(error) : E_FAIL);
}

} // namespace TavixMeasure
