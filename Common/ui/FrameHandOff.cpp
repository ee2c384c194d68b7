#include "Common/ui/FrameHandOff.h"

#include "Common/ui/BindableBase.h"
#include "Common/ui/Window.h"

namespace Common::Mfc
{

FrameHandOff::FrameHandOff(Window& window, UINT_PTR timerId) : window_(window), timerId_(timerId) {}

FrameHandOff::~FrameHandOff()
{
    Acknowledge();
}

void FrameHandOff::Connect(BindableBase* sender, std::int32_t id)
{
    Acknowledge();
    sender_ = sender;
    id_ = id;
}

void FrameHandOff::WakeUp(bool willPaint)
{
    newFrame_ = true;
    held_ = true;
    if (!willPaint)
    {
        // No paint will come to give it back; the flag waits for the next one.
        Acknowledge();
        return;
    }
    window_.Invalidate(false);
}

bool FrameHandOff::TakeNewFrame()
{
    const bool taken = newFrame_;
    newFrame_ = false;
    return taken;
}

void FrameHandOff::PaintEnded() noexcept
{
    if (!held_ || timerRunning_)
    {
        return;
    }
    // This window is painted now; others of the thread may be waiting.
    if (HIWORD(GetQueueStatus(QS_PAINT)) != 0 && window_.GetSafeHwnd() != nullptr &&
        ::SetTimer(window_.GetSafeHwnd(), timerId_, USER_TIMER_MINIMUM, nullptr) != 0)
    {
        timerRunning_ = true;
        return;
    }
    Acknowledge();
}

bool FrameHandOff::OnTimer(UINT_PTR id) noexcept
{
    if (id != timerId_)
    {
        return false;
    }
    Acknowledge();
    return true;
}

void FrameHandOff::Acknowledge() noexcept
{
    if (timerRunning_)
    {
        timerRunning_ = false;
        if (window_.GetSafeHwnd() != nullptr)
        {
            ::KillTimer(window_.GetSafeHwnd(), timerId_);
        }
    }
    if (held_)
    {
        held_ = false;
        if (sender_ != nullptr)
        {
            sender_->AcknowledgeNotification(&window_, id_);
        }
    }
}

} // namespace Common::Mfc
