#include "app/CrashReporter.h"

#include "Common/Exception.h"
#include "Common/TextHelpers.h"
#include "Common/UniqueHandle.h"
#include "app/IniProfile.h"

#include <dbghelp.h>
#include <shlobj.h>

#include <atomic>
#include <cwchar>
#include <iterator>

namespace TavixCapture
{

namespace
{
constexpr wchar_t NoteName[] = L"LastCrash.txt";

// Prepared at Install; the handler reads them without a lock.
wchar_t crashFolder[MAX_PATH] = {};
std::atomic<HMODULE> pluginModules[64] = {};

bool IsPluginModule(HMODULE module) noexcept
{
    for (const auto& slot : pluginModules)
    {
        if (module != nullptr && slot.load() == module)
        {
            return true;
        }
    }
    return false;
}

struct DumpRequest
{
    HANDLE file;
    MINIDUMP_EXCEPTION_INFORMATION exception;
};

DWORD WINAPI WriteDump(void* context)
{
    auto* request = static_cast<DumpRequest*>(context);
    return MiniDumpWriteDump(GetCurrentProcess(), GetCurrentProcessId(), request->file,
                             static_cast<MINIDUMP_TYPE>(MiniDumpWithThreadInfo), &request->exception, nullptr,
                             nullptr)
               ? 0
               : 1;
}

// Writes `text` (UTF-16 with its byte order mark) into a new file `path`.
void WriteNote(const wchar_t* path, const wchar_t* text) noexcept
{
    const HANDLE file =
        CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
    {
        return;
    }
    DWORD written = 0;
    static_cast<void>(WriteFile(file, "\xFF\xFE", 2, &written, nullptr));
    static_cast<void>(
        WriteFile(file, text, static_cast<DWORD>(wcslen(text) * sizeof(wchar_t)), &written, nullptr));
    static_cast<void>(FlushFileBuffers(file));
    static_cast<void>(CloseHandle(file));
}
} // namespace

std::wstring CrashReporter::DefaultFolder()
{
    wchar_t* known = nullptr;
    const HRESULT found = SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_CREATE, nullptr, &known);
    std::wstring folder = SUCCEEDED(found) && known != nullptr ? known : L"";
    CoTaskMemFree(known);
    Common::ThrowIfFailed(found);
    return folder + L"\\TavixCapture\\CrashDumps\\";
}

void CrashReporter::Install(const std::wstring& folder)
{
    if (folder.empty() || folder.size() + 64 >= MAX_PATH)
    {
        throw Common::Exception(L"異常終了の記録のフォルダーのパスが長すぎます: " + folder);
    }
    // Each level of the path, as CreateDirectory makes one at a time.
    for (std::size_t separator = folder.find(L'\\', 3); separator != std::wstring::npos;
         separator = folder.find(L'\\', separator + 1))
    {
        const std::wstring level = folder.substr(0, separator);
        if (!CreateDirectoryW(level.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        {
            Common::ThrowIfFailed(HRESULT_FROM_WIN32(GetLastError()));
        }
    }
    wcsncpy(crashFolder, folder.c_str(), std::size(crashFolder) - 1);
    SetUnhandledExceptionFilter(&CrashReporter::OnUnhandledException);
}

void CrashReporter::AddPluginModule(HMODULE module) noexcept
{
    for (auto& slot : pluginModules)
    {
        HMODULE empty = nullptr;
        if (slot.compare_exchange_strong(empty, module))
        {
            return;
        }
    }
}

void CrashReporter::RemovePluginModule(HMODULE module) noexcept
{
    for (auto& slot : pluginModules)
    {
        HMODULE expected = module;
        if (slot.compare_exchange_strong(expected, nullptr))
        {
            return;
        }
    }
}

LONG WINAPI CrashReporter::OnUnhandledException(EXCEPTION_POINTERS* exception)
{
    if (crashFolder[0] == L'\0')
    {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t dump[MAX_PATH] = {};
    swprintf(dump, std::size(dump), L"%lsTavixCapture-%04u%02u%02u-%02u%02u%02u-%lu.dmp", crashFolder,
             now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, GetCurrentProcessId());
    DumpRequest request = {
        CreateFileW(dump, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr),
        {GetCurrentThreadId(), exception, FALSE}};
    if (request.file != INVALID_HANDLE_VALUE)
    {
        // From a thread of its own: the faulting thread's state (its stack,
        // the locks it holds) must not take part in writing the dump.
        const HANDLE writer = CreateThread(nullptr, 0, &WriteDump, &request, 0, nullptr);
        if (writer != nullptr)
        {
            static_cast<void>(WaitForSingleObject(writer, 60000));
            static_cast<void>(CloseHandle(writer));
        }
        static_cast<void>(CloseHandle(request.file));
    }

    // A fault in a plug-in's code: the next start leaves its processor out.
    HMODULE module = nullptr;
    if (exception != nullptr && exception->ExceptionRecord != nullptr &&
        GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            static_cast<const wchar_t*>(exception->ExceptionRecord->ExceptionAddress), &module) &&
        IsPluginModule(module))
    {
        wchar_t library[MAX_PATH] = {};
        const DWORD length = GetModuleFileNameW(module, library, MAX_PATH);
        const wchar_t* name = library;
        for (DWORD i = 0; i < length; ++i)
        {
            if (library[i] == L'\\' || library[i] == L'/')
            {
                name = library + i + 1;
            }
        }
        wchar_t note[2 * MAX_PATH + 4] = {};
        swprintf(note, std::size(note), L"%ls\r\n%ls\r\n", name, dump);
        wchar_t notePath[MAX_PATH] = {};
        swprintf(notePath, std::size(notePath), L"%ls%ls", crashFolder, NoteName);
        WriteNote(notePath, note);
    }
    return EXCEPTION_EXECUTE_HANDLER;
}

std::optional<CrashReporter::LastCrash> CrashReporter::TakeLastCrash(const std::wstring& folder)
{
    const std::wstring path = folder + NoteName;
    std::wstring text;
    {
        const Common::UniqueHandle file(
            CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!file)
        {
            return std::nullopt;
        }
        wchar_t buffer[2 * MAX_PATH + 8] = {};
        DWORD read = 0;
        if (!ReadFile(file.Get(), buffer, sizeof(buffer) - sizeof(wchar_t), &read, nullptr))
        {
            return std::nullopt;
        }
        text.assign(buffer, read / sizeof(wchar_t));
    }
    static_cast<void>(DeleteFileW(path.c_str()));
    if (!text.empty() && text.front() == 0xFEFF)
    {
        text.erase(0, 1);
    }
    const std::size_t end = text.find(L"\r\n");
    if (end == std::wstring::npos || end == 0)
    {
        return std::nullopt;
    }
    const std::size_t dumpEnd = text.find(L"\r\n", end + 2);
    return LastCrash{
        text.substr(0, end),
        text.substr(end + 2, dumpEnd == std::wstring::npos ? std::wstring::npos : dumpEnd - end - 2)};
}

std::optional<std::wstring> CrashReporter::RecoverFromLastCrash(const IniProfile& profile,
                                                                const std::wstring& folder)
{
    const std::optional<LastCrash> crash = TakeLastCrash(folder);
    if (!crash)
    {
        return std::nullopt;
    }
    // A read-only file keeps its name; the caller selects "なし" then.
    static_cast<void>(profile.WriteString(L"Settings", L"ProcessorName", L"なし"));
    return L"前回はプラグイン " + crash->library +
           L" の中で異常終了しました。処理は「なし」にしました。\n記録: " + crash->dump;
}

} // namespace TavixCapture
