// The person's next action while a pop-up, a box or a modal dialog runs its
// own message loop: `step` runs on every tick of a 50 ms thread timer, from
// whatever loop the thread is in, until it returns true once. UI thread.
#pragma once

#include <windows.h>

#include <functional>

namespace TestSupport
{

class TimerStep
{
public:
    explicit TimerStep(std::function<bool()> step);
    ~TimerStep();
    TimerStep(const TimerStep&) = delete;
    TimerStep& operator=(const TimerStep&) = delete;
    bool Done() const { return done_; }

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR timer, DWORD);
    std::function<bool()> step_;
    bool done_ = false;
    UINT_PTR timer_;
};

} // namespace TestSupport
