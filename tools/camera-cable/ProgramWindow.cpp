#include "ProgramWindow.h"

#include "Common/Exception.h"
#include "Common/UniqueHandle.h"

#include <commctrl.h>
#include <winternl.h>

#include <vector>

namespace
{

constexpr UINT AnswerMilliseconds = 5000;

struct Search
{
    int id;
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK Visit(HWND child, LPARAM data)
{
    auto& search = *reinterpret_cast<Search*>(data);
    wchar_t name[64] = {};
    GetClassNameW(child, name, 64);
    if ((search.id == 0 || GetDlgCtrlID(child) == search.id) &&
        (search.className == nullptr || lstrcmpiW(name, search.className) == 0))
    {
        search.found = child;
        return FALSE;
    }
    return TRUE;
}

// Memory in another process, given back when done.
struct RemoteBuffer
{
    RemoteBuffer(HANDLE owner, std::size_t bytes)
        : process(owner), address(VirtualAllocEx(owner, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE))
    {
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;
    ~RemoteBuffer()
    {
        if (address != nullptr)
        {
            VirtualFreeEx(process, address, 0, MEM_RELEASE);
        }
    }

    HANDLE process;
    void* address;
};

LRESULT Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR answer = 0;
    Common::ThrowIfFalse(SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG,
                                             AnswerMilliseconds, &answer) != 0);
    return static_cast<LRESULT>(answer);
}

// SystemExtendedHandleInformation: one entry for every handle of every process.
constexpr auto ExtendedHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(64);
struct HandleEntry
{
    void* object;
    ULONG_PTR processId;
    ULONG_PTR handle;
    ULONG access;
    USHORT creatorBackTrace;
    USHORT objectType;
    ULONG attributes;
    ULONG reserved;
};
struct HandleTable
{
    ULONG_PTR count;
    ULONG_PTR reserved;
    HandleEntry handles[1];
};

std::vector<std::uint64_t> QuerySystem(SYSTEM_INFORMATION_CLASS kind)
{
    std::vector<std::uint64_t> buffer(1 << 16);
    for (;;)
    {
        ULONG needed = 0;
        const NTSTATUS status = NtQuerySystemInformation(
            kind, buffer.data(), static_cast<ULONG>(buffer.size() * sizeof(std::uint64_t)), &needed);
        if (status == static_cast<NTSTATUS>(0xC0000004L)) // STATUS_INFO_LENGTH_MISMATCH
        {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        Common::ThrowIfFalse(status >= 0);
        return buffer;
    }
}

} // namespace

std::optional<ProgramWindow> ProgramWindow::Find(const wchar_t* title)
{
    const HWND window = FindWindowW(L"#32770", title);
    if (window == nullptr || !IsWindowVisible(window))
    {
        return std::nullopt;
    }
    return ProgramWindow(window);
}

ProgramWindow::ProgramWindow(HWND window) : window_(window)
{
    GetWindowThreadProcessId(window_, &processId_);
}

HWND ProgramWindow::Descendant(int id, const wchar_t* className) const
{
    Search search{id, className, nullptr};
    EnumChildWindows(window_, Visit, reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr)
    {
        throw Common::Exception(L"no such control");
    }
    return search.found;
}

std::wstring ProgramWindow::ControlText(int id) const
{
    std::wstring text(512, L'\0');
    const LRESULT length =
        Ask(Descendant(id, nullptr), WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

int ProgramWindow::ComboCount(int id) const
{
    return static_cast<int>(Ask(Descendant(id, WC_COMBOBOXW), CB_GETCOUNT, 0, 0));
}

std::wstring ProgramWindow::StatusText(int index) const
{
    const HWND bar = Descendant(0, STATUSCLASSNAMEW);
    const std::size_t length = LOWORD(Ask(bar, SB_GETTEXTLENGTHW, static_cast<WPARAM>(index), 0));
    const Common::UniqueHandle process(
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ, FALSE, processId_));
    Common::ThrowIfFalse(static_cast<bool>(process));
    const std::size_t bytes = (length + 1) * sizeof(wchar_t);
    const RemoteBuffer remote(process.Get(), bytes);
    Common::ThrowIfFalse(remote.address != nullptr);
    Ask(bar, SB_GETTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(remote.address));
    std::wstring text(length + 1, L'\0');
    Common::ThrowIfFalse(ReadProcessMemory(process.Get(), remote.address, text.data(), bytes, nullptr) !=
                         FALSE);
    text.resize(length);
    return text;
}

ProgramWindow::Counters ProgramWindow::ReadCounters() const
{
    // The system's lists of processes and of handles, as Task Manager and
    // Process Explorer read them (under Wine the per-process queries of
    // another process answer 0, and the process list's handle count is the
    // size of its handle table, not the handles in it).
    Counters counters;
    const std::vector<std::uint64_t> processes = QuerySystem(SystemProcessInformation);
    const auto* bytes = reinterpret_cast<const BYTE*>(processes.data());
    for (;;)
    {
        const auto* process = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(bytes);
        if (reinterpret_cast<DWORD_PTR>(process->UniqueProcessId) == processId_)
        {
            counters.threads = process->NumberOfThreads;
            counters.privateBytes = process->VirtualMemoryCounters.PagefileUsage;
            break;
        }
        if (process->NextEntryOffset == 0)
        {
            throw Common::Exception(L"the program's process is not listed");
        }
        bytes += process->NextEntryOffset;
    }
    const std::vector<std::uint64_t> handles = QuerySystem(ExtendedHandleInformation);
    const auto* table = reinterpret_cast<const HandleTable*>(handles.data());
    for (ULONG_PTR i = 0; i < table->count; ++i)
    {
        counters.handles += table->handles[i].processId == processId_ ? 1 : 0;
    }
    return counters;
}
