#include "Common/ui/ErrorReporter.h"

#include "Common/Exception.h"

#include <deque>
#include <mutex>
#include <utility>

// The program's reporter, for the copies of this layer inside plug-in
// libraries: `message` null for an error that is not an Exception;
// `immediate` 0 for a posted report, else the UserAction + 1.
extern "C" __declspec(dllexport) void TavixPostWindowError(HWND owner, int immediate, HRESULT code,
                                                           const wchar_t* message, const wchar_t* file,
                                                           int line) noexcept;

namespace Common::Mfc
{

namespace
{
constexpr wchar_t WakeClassName[] = L"TavixErrorReports";
constexpr UINT WakeMessage = WM_USER + 1;
// A wake-up not taken after this long is taken as lost (a posted message can
// be, see the README) and posted again with the next report.
constexpr ULONGLONG WakeLostAfterMilliseconds = 1000;

struct Report
{
    HWND owner;
    std::exception_ptr error;
    std::wstring key;
};

struct State
{
    std::mutex lock;                    // row 8 of Common/LockOrder.h
    ErrorReporter::Presenter presenter; // set on the UI thread before any report
    std::deque<Report> queue;           // guarded by lock
    std::wstring showingKey;            // guarded by lock
    bool showing = false;               // guarded by lock
    bool wakePending = false;           // guarded by lock
    ULONGLONG wakePostedAt = 0;         // guarded by lock
    HWND wakeWindow = nullptr;          // UI thread
    ErrorReporter::Counts counts = {};  // guarded by lock
};

State& GetState()
{
    static State state;
    return state;
}

void DefaultPresent(HWND owner, const std::exception_ptr& error)
{
    std::wstring text = L"未知のエラーが発生しました。";
    try
    {
        std::rethrow_exception(error);
    }
    catch (const Exception& exception)
    {
        text = exception.Message;
    }
    catch (...)
    {
    }
    MessageBoxW(owner, text.c_str(), L"エラー", MB_OK | MB_ICONERROR);
}

using ProgramEntry = void (*)(HWND, int, HRESULT, const wchar_t*, const wchar_t*, int) noexcept;

// The program's entry when this code runs inside a plug-in library; null
// inside the program itself.
ProgramEntry FindProgramEntry()
{
    static const ProgramEntry entry = []() -> ProgramEntry
    {
        const FARPROC found = GetProcAddress(GetModuleHandleW(nullptr), "TavixPostWindowError");
        const auto program = reinterpret_cast<ProgramEntry>(reinterpret_cast<void (*)()>(found));
        return program == &TavixPostWindowError ? nullptr : program;
    }();
    return entry;
}

// `action`: 0 for a posted report, else the UserAction + 1.
bool Forward(HWND owner, int action, const std::exception_ptr& error)
{
    const ProgramEntry program = FindProgramEntry();
    if (program == nullptr)
    {
        return false;
    }
    try
    {
        std::rethrow_exception(error);
    }
    catch (const Exception& exception)
    {
        program(owner, action, exception.ErrorCode, exception.Message.c_str(), exception.File.c_str(),
                exception.Line);
    }
    catch (...)
    {
        program(owner, action, E_UNEXPECTED, nullptr, nullptr, 0);
    }
    return true;
}

void Drain() noexcept;

LRESULT CALLBACK WakeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WakeMessage)
    {
        Drain();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The window the wake-ups go to: a message-only window of the thread that
// reports first (the UI thread).
HWND WakeWindow()
{
    State& state = GetState();
    if (state.wakeWindow != nullptr && IsWindow(state.wakeWindow) != FALSE)
    {
        return state.wakeWindow;
    }
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    if (GetClassInfoExW(instance, WakeClassName, &windowClass) == FALSE)
    {
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = &WakeProc;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = WakeClassName;
        if (RegisterClassExW(&windowClass) == 0)
        {
            return nullptr;
        }
    }
    state.wakeWindow =
        CreateWindowExW(0, WakeClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    return state.wakeWindow;
}

void Present(HWND owner, const std::exception_ptr& error) noexcept
{
    State& state = GetState();
    const HWND validOwner = owner != nullptr && IsWindow(owner) != FALSE ? owner : nullptr;
    try
    {
        if (state.presenter)
        {
            state.presenter(validOwner, error);
        }
        else
        {
            DefaultPresent(validOwner, error);
        }
    }
    catch (...)
    {
        OutputDebugStringW(L"TavixCapture: an error could not be shown.\n");
    }
}

// Shows the queued reports one box after the other; nothing while a box is open.
void Drain() noexcept
{
    State& state = GetState();
    for (;;)
    {
        Report report;
        {
            std::lock_guard<std::mutex> guard(state.lock);
            state.wakePending = false;
            if (state.showing || state.queue.empty())
            {
                return;
            }
            report = std::move(state.queue.front());
            state.queue.pop_front();
            state.showing = true;
            state.showingKey = report.key;
            ++state.counts.shown;
        }
        Present(report.owner, report.error);
        std::lock_guard<std::mutex> guard(state.lock);
        state.showing = false;
        state.showingKey.clear();
    }
}

// Under the lock: true when the report was counted into an open or waiting box.
bool CountIfRepeated(State& state, const std::wstring& key)
{
    bool repeated = state.showing && state.showingKey == key;
    for (const Report& waiting : state.queue)
    {
        repeated = repeated || waiting.key == key;
    }
    if (repeated)
    {
        ++state.counts.repeated;
    }
    return repeated;
}

// Queues the report (none: only wakes the loop for what is queued).
void Enqueue(HWND owner, const std::exception_ptr& error)
{
    State& state = GetState();
    std::wstring key = error ? ErrorReporter::KeyOf(error) : std::wstring();
    const HWND wake = WakeWindow();
    std::lock_guard<std::mutex> guard(state.lock);
    if (error)
    {
        if (CountIfRepeated(state, key))
        {
            return;
        }
        state.queue.push_back(Report{owner, error, std::move(key)});
    }
    if (state.showing || state.queue.empty())
    {
        return; // taken when the open box closes
    }
    const ULONGLONG now = GetTickCount64();
    if (state.wakePending && now - state.wakePostedAt < WakeLostAfterMilliseconds)
    {
        return;
    }
    if (wake != nullptr && PostMessageW(wake, WakeMessage, 0, 0) != FALSE)
    {
        state.wakePending = true;
        state.wakePostedAt = now;
    }
}
} // namespace

void ErrorReporter::SetPresenter(Presenter presenter)
{
    State& state = GetState();
    state.presenter = std::move(presenter);
    WakeWindow();
}

void ErrorReporter::Post(HWND owner, std::exception_ptr error) noexcept
{
    try
    {
        if (!Forward(owner, 0, error))
        {
            Enqueue(owner, error);
        }
    }
    catch (...)
    {
        OutputDebugStringW(L"TavixCapture: an error could not be reported.\n");
    }
}

void ErrorReporter::ShowNow(UserAction action, HWND owner, std::exception_ptr error) noexcept
{
    try
    {
        if (Forward(owner, static_cast<int>(action) + 1, error))
        {
            return;
        }
        State& state = GetState();
        bool boxOpen = false;
        {
            std::lock_guard<std::mutex> guard(state.lock);
            boxOpen = state.showing;
            if (!boxOpen)
            {
                state.showing = true;
                state.showingKey = KeyOf(error);
                ++state.counts.shown;
            }
        }
        if (boxOpen)
        {
            Enqueue(owner, error); // shown when the open box closes
            return;
        }
        Present(owner, error);
        {
            std::lock_guard<std::mutex> guard(state.lock);
            state.showing = false;
            state.showingKey.clear();
        }
        // What was posted meanwhile comes next, from the loop.
        Enqueue(nullptr, nullptr);
    }
    catch (...)
    {
        OutputDebugStringW(L"TavixCapture: an error could not be reported.\n");
    }
}

ErrorReporter::Counts ErrorReporter::GetCounts()
{
    State& state = GetState();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.counts;
}

bool ErrorReporter::IsShowing()
{
    State& state = GetState();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.showing;
}

std::wstring ErrorReporter::KeyOf(const std::exception_ptr& error)
{
    try
    {
        std::rethrow_exception(error);
    }
    catch (const Exception& exception)
    {
        wchar_t code[16] = {};
        swprintf(code, 16, L"%08lx", static_cast<unsigned long>(exception.ErrorCode));
        return exception.GetLocatedMessage() + L"|" + code;
    }
    catch (...)
    {
        return L"?";
    }
}

} // namespace Common::Mfc

extern "C" void TavixPostWindowError(HWND owner, int immediate, HRESULT code, const wchar_t* message,
                                     const wchar_t* file, int line) noexcept
{
    try
    {
        std::exception_ptr error;
        if (message != nullptr)
        {
            Common::Exception exception(std::wstring(message), std::wstring(file != nullptr ? file : L""),
                                        line);
            exception.ErrorCode = code;
            error = std::make_exception_ptr(exception);
        }
        else
        {
            error = std::make_exception_ptr(std::exception());
        }
        if (immediate != 0)
        {
            Common::Mfc::ErrorReporter::ShowNow(
                static_cast<Common::Mfc::ErrorReporter::UserAction>(immediate - 1), owner, error);
        }
        else
        {
            Common::Mfc::ErrorReporter::Post(owner, error);
        }
    }
    catch (...)
    {
        OutputDebugStringW(L"TavixCapture: an error of a plug-in could not be reported.\n");
    }
}
