#include "TimerStep.h"

#include <gtest/gtest.h>

#include <map>

namespace TestSupport
{

namespace
{
std::map<UINT_PTR, TimerStep*>& Steps()
{
    static std::map<UINT_PTR, TimerStep*> steps;
    return steps;
}
} // namespace

TimerStep::TimerStep(std::function<bool()> step) : step_(std::move(step))
{
    timer_ = SetTimer(nullptr, 0, 50, &TimerStep::OnTimer);
    EXPECT_NE(timer_, 0u);
    Steps()[timer_] = this;
}

TimerStep::~TimerStep()
{
    KillTimer(nullptr, timer_);
    Steps().erase(timer_);
}

void CALLBACK TimerStep::OnTimer(HWND, UINT, UINT_PTR timer, DWORD)
{
    const auto found = Steps().find(timer);
    if (found != Steps().end() && !found->second->done_)
    {
        found->second->done_ = found->second->step_();
    }
}

} // namespace TestSupport
