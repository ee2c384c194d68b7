// Common::Mfc::FrameHandOff: how a new frame reaches a window that paints it.
// The sender (a BindableBase) posts one coalesced wake-up at a time; the
// window hands it here when it takes it (WakeUp): the "new frame" flag is set
// and the window invalidated. The paint takes the flag (TakeNewFrame) and,
// whatever it did (drawn, failed, nothing to draw), ends with PaintEnded;
// a window that will not paint (hidden, zero-sized, minimised) gives the
// wake-up back at once. Either way the wake-up is acknowledged here and only
// here, after which the sender may post the next one.
//
// So a window that paints slower than frames arrive paints the newest frame
// each time and does not keep painting without end: when other windows of
// the thread wait to paint, the acknowledgement waits for them (a timer
// message, which the platform delivers only after pending paints and input).
// UI thread.
#pragma once

#include <windows.h>

#include <cstdint>

namespace Common::Mfc
{

class BindableBase;
class Window;

class FrameHandOff
{
public:
    // `timerId`: a timer id of `window` this object may use.
    FrameHandOff(Window& window, UINT_PTR timerId);
    ~FrameHandOff();
    FrameHandOff(const FrameHandOff&) = delete;
    FrameHandOff& operator=(const FrameHandOff&) = delete;

    // The sender and the id of its frame notification (null: none).
    void Connect(BindableBase* sender, std::int32_t id);

    // The wake-up was taken from the queue. `willPaint`: the window is shown
    // and not empty, so a paint will follow the invalidation.
    void WakeUp(bool willPaint);
    // At the start of a paint: true when a frame arrived since the last one.
    bool TakeNewFrame();
    // At the end of every paint, whatever its outcome.
    void PaintEnded() noexcept;
    // The window's timer message; true when it was this object's.
    bool OnTimer(UINT_PTR id) noexcept;

    // The sender is free to post a wake-up (nothing held here).
    bool IsAcknowledged() const { return !held_; }

private:
    void Acknowledge() noexcept;

    Window& window_;
    const UINT_PTR timerId_;
    BindableBase* sender_ = nullptr;
    std::int32_t id_ = 0;
    bool newFrame_ = false; // a frame arrived that no paint has taken yet
    bool held_ = false;     // a wake-up taken and not yet acknowledged
    bool timerRunning_ = false;
};

} // namespace Common::Mfc
