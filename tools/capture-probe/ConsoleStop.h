// ConsoleStop: turns Ctrl+C, Ctrl+Break and the closing of the console into
// an event the probe's main thread waits on, so that a stream ends with its
// summary instead of the process being ended. One instance at a time; the
// handler runs on a thread the system creates and only sets the event.
#pragma once

#include "Common/UniqueHandle.h"

#include <windows.h>

class ConsoleStop
{
public:
    // Raises Common::Exception when the event or the handler cannot be set up.
    ConsoleStop();
    ~ConsoleStop();
    ConsoleStop(const ConsoleStop&) = delete;
    ConsoleStop& operator=(const ConsoleStop&) = delete;

    // Signalled (and stays so) once the user asked to stop.
    HANDLE GetEvent() const { return event_.Get(); }

    // Waits `seconds`, or until the user asks to stop, while dispatching the
    // thread's window messages as the program's UI thread would. Returns
    // the seconds waited.
    double Wait(double seconds) const;

    // The handler the system calls, on a thread of its own: true for the
    // events that ask to stop while an instance lives.
    static BOOL WINAPI OnControl(DWORD type);

private:
    Common::UniqueHandle event_;
};
