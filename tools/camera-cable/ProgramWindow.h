// ProgramWindow: the running TavixCapture's main window seen from another
// process, as an accessibility tool sees it: the text of a control, the
// panes of the status bar, the entries of a combo box, and the handle,
// thread and private-memory counts of the process behind it. Main thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

class ProgramWindow
{
public:
    // The visible main window titled `title`; none when it is not there.
    static std::optional<ProgramWindow> Find(const wchar_t* title);

    // WM_GETTEXT of the first descendant window with the control id.
    std::wstring ControlText(int id) const;
    // CB_GETCOUNT of the first descendant window with the control id.
    int ComboCount(int id) const;
    // The text of pane `index` of the status bar (read through a buffer in
    // the program's process: the status bar's messages are not carried
    // between processes).
    std::wstring StatusText(int index) const;

    struct Counters
    {
        DWORD handles = 0;
        DWORD threads = 0;
        std::uint64_t privateBytes = 0;
    };
    Counters ReadCounters() const;

private:
    explicit ProgramWindow(HWND window);
    HWND Descendant(int id, const wchar_t* className) const;

    HWND window_;
    DWORD processId_ = 0;
};
