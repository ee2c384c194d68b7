// TavixCapture::CrashReporter: what is left behind when the program dies of
// a fault (an access violation, an illegal instruction): a minidump in the
// crash folder and, when the faulting code belongs to a plug-in library, a
// note naming that library, so that the next start runs without the plug-in's
// processor and says why.
//
// The handler is the process's last chance (SetUnhandledExceptionFilter); it
// runs on the faulting thread, allocates nothing on the heap and uses only
// what was prepared at Install. Any thread.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace TavixCapture
{

class IniProfile;

class CrashReporter
{
public:
    // "%LOCALAPPDATA%\TavixCapture\CrashDumps\" (created when needed).
    static std::wstring DefaultFolder();

    // Installs the handler writing into `folder` (ending with a separator,
    // created by Install). Once per process; later calls change the folder.
    static void Install(const std::wstring& folder);

    // Plug-in libraries register while they are loaded, so that a fault in
    // their code is put down to them (at most 64 at once; any thread).
    static void AddPluginModule(HMODULE module) noexcept;
    static void RemovePluginModule(HMODULE module) noexcept;

    struct LastCrash
    {
        std::wstring library; // file name of the plug-in library
        std::wstring dump;    // full path of its minidump
    };
    // The note the last run left in `folder` about a fault in a plug-in, if
    // any; the note is removed, so it is reported once.
    static std::optional<LastCrash> TakeLastCrash(const std::wstring& folder);
    // The next start's part: takes the note of `folder` and, when there is
    // one, stores "なし" as the saved processor of `profile` and returns the
    // message for the user.
    static std::optional<std::wstring> RecoverFromLastCrash(const IniProfile& profile,
                                                            const std::wstring& folder);

    // The handler itself (public for the platform).
    static LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* exception);
};

} // namespace TavixCapture
