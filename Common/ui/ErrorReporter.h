// Common::Mfc::ErrorReporter: how the window layer shows an error to the
// user. One rule for every window:
// - An error that leaves a handler is posted (Post): it is shown later, from
//   the thread's message loop, never from inside the stack of the handler
//   that raised it.
// - One box at a time: a report that arrives while a box is open waits until
//   it is closed, so a box never opens inside another box's loop. The same
//   error again while its box is open or it waits is counted, not shown
//   again; so a handler that fails on every frame gives one box, not one
//   box a frame.
// - Handlers where the user has just acted report at once (ShowNow); they
//   are the ones named in UserAction, and nowhere else. A report at once
//   while a box is open waits like a posted one.
// Plug-in libraries carry their own copy of this layer: their reports go to
// the program's reporter (the program exports its entry point), so a
// plug-in page's error looks and behaves like the program's own.
// UI thread (the thread whose loop shows the boxes).
#pragma once

#include <windows.h>

#include <cstdint>
#include <exception>
#include <functional>
#include <string>

namespace Common::Mfc
{

class ErrorReporter
{
public:
    // Shows one error in a modal box owned by `owner` (null: no owner) and
    // returns when the user closed it. The program installs its own
    // (its text and title); the default shows the Exception's message.
    using Presenter = std::function<void(HWND owner, const std::exception_ptr& error)>;
    static void SetPresenter(Presenter presenter);

    // The handlers that may report at once: the user has just clicked or
    // chosen, and waits for the outcome of exactly that.
    enum class UserAction
    {
        StartStopCapture, // "取り込み" / "停止"
        Snap,
        Record,
        DeviceChoice,
        FormatChoice,
        ProcessorChoice,
        ProcessorPageCommand, // a button of a processor's page (save, copy)
    };

    // Queues the error and wakes the loop; never shows it from here.
    static void Post(HWND owner, std::exception_ptr error) noexcept;
    // Shows the error now, unless a box is open (then as Post).
    static void ShowNow(UserAction action, HWND owner, std::exception_ptr error) noexcept;

    // What has been reported since the process started (or Reset): boxes
    // shown, and reports counted into a box of the same error instead.
    struct Counts
    {
        std::uint64_t shown;
        std::uint64_t repeated;
    };
    static Counts GetCounts();
    // True while a box of this reporter is open.
    static bool IsShowing();

    // The text that identifies an error for coalescing: the message with its
    // source location and code.
    static std::wstring KeyOf(const std::exception_ptr& error);
};

} // namespace Common::Mfc
