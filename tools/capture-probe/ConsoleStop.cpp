#include "ConsoleStop.h"

#include "Common/Exception.h"

#include <atomic>

namespace
{
// The event of the one live instance; read by the handler's thread.
std::atomic<HANDLE> stopEvent{nullptr};
} // namespace

ConsoleStop::ConsoleStop() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
    Common::ThrowIfFalse(event_.IsValid());
    stopEvent = event_.Get();
    if (!SetConsoleCtrlHandler(&ConsoleStop::OnControl, TRUE))
    {
        stopEvent = nullptr;
        Common::ThrowIfFailed(HRESULT_FROM_WIN32(GetLastError()));
    }
}

ConsoleStop::~ConsoleStop()
{
    // A failure leaves a handler that finds no event and lets the system act.
    static_cast<void>(SetConsoleCtrlHandler(&ConsoleStop::OnControl, FALSE));
    stopEvent = nullptr;
}

BOOL WINAPI ConsoleStop::OnControl(DWORD type)
{
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT && type != CTRL_CLOSE_EVENT)
    {
        return FALSE;
    }
    const HANDLE event = stopEvent;
    return event != nullptr && SetEvent(event);
}

double ConsoleStop::Wait(double seconds) const
{
    const HANDLE stop = event_.Get();
    const ULONGLONG start = GetTickCount64();
    const ULONGLONG end = start + static_cast<ULONGLONG>(seconds * 1000.0);
    for (ULONGLONG now = start; now < end; now = GetTickCount64())
    {
        const DWORD woken =
            MsgWaitForMultipleObjects(1, &stop, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
        Common::ThrowIfFalse(woken != WAIT_FAILED);
        if (woken == WAIT_OBJECT_0)
        {
            break;
        }
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return static_cast<double>(GetTickCount64() - start) / 1000.0;
}
