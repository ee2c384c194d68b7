// Common::Mfc::BindableBase: numbered change notifications to registered
// windows. Raise() may be called from any thread: a notification is always a
// posted message (message id 0x8000 = WM_APP, first parameter the object,
// second the property id), so handlers run later on the window's thread.
//
// Coalesced ids: a derived class may mark ids whose notification carries no
// value of its own ("the frame changed"). Of such an id at most one
// notification per window is pending at a time: it is posted only when none
// is pending, and is pending until the window acknowledges it
// (AcknowledgeNotification, done by the window layer before it handles the
// message, or by the window itself after showing it, see
// Window::AcknowledgesLater and FrameHandOff), or its post fails, or the
// window is removed. A posted message can be lost (see the README): a
// coalesced notification pending for longer than LostAfterMilliseconds is
// posted again with the next change, so one lost message never stops a
// window for good. Every other notification is posted every time, in order.
// So a window whose thread is slower than the camera keeps a short queue and
// still sees every state.
//
// The listener lock is the innermost lock of the program (Common/LockOrder.h).
#pragma once

#include "Common/CriticalSection.h"
#include "Common/ui/Window.h"

#include <array>
#include <cstdint>
#include <vector>

namespace Common::Mfc
{

class BindableBase
{
public:
    BindableBase();
    virtual ~BindableBase() = default;
    BindableBase(const BindableBase&) = delete;
    BindableBase& operator=(const BindableBase&) = delete;

    // Appends the window unless it is registered; then OnListenerAdded under the lock.
    virtual void AddListener(Window* window);
    // Removes the window if registered, keeping the others' order; forgets
    // what was pending for it.
    virtual void RemoveListener(Window* window);
    // Notifies every registered window, in registration order.
    virtual void Raise(std::int32_t propertyId);
    // Posts the notification to one window; windows without a handle are
    // skipped, and so is a coalesced id already pending for a registered
    // window. True when a message was posted.
    virtual bool Notify(Window* window, std::int32_t propertyId);

    // Called on the window's thread when it takes a notification of this
    // object from its queue, before handling it: from now on the id may be
    // posted to it again. Harmless for any other id or window.
    void AcknowledgeNotification(Window* window, std::int32_t propertyId);

    std::uint32_t GetMessageId() const { return messageId_; }

    // Ids that can be coalesced: 0 to MaxCoalescedId.
    static constexpr std::int32_t MaxCoalescedId = 63;
    // A coalesced notification not acknowledged after this long is taken as
    // lost and posted again with the next change.
    static constexpr std::uint64_t LostAfterMilliseconds = 500;

protected:
    virtual void OnListenerAdded(Window* window) = 0;
    // The clock of the lost-notification rule, in milliseconds.
    virtual std::uint64_t GetTickMilliseconds() const { return GetTickCount64(); }

    // Marks an id as coalesced (see above); for the derived class's
    // constructor. Raises Exception for an id outside 0..MaxCoalescedId.
    void SetCoalesced(std::int32_t propertyId);

private:
    struct Listener
    {
        Window* window;
        std::uint64_t pending;                                  // bit n: a coalesced notification n is queued
        std::array<std::uint64_t, MaxCoalescedId + 1> postedAt; // when each was posted
    };

    static std::uint64_t Bit(std::int32_t propertyId);
    Listener* Find(Window* window);
    bool Post(Listener& listener, std::int32_t propertyId);
    bool PostMessageTo(Window* window, std::int32_t propertyId);

    const std::uint32_t messageId_;
    CriticalSection listenerLock_;    // row 10 of Common/LockOrder.h
    std::uint64_t coalesced_ = 0;     // guarded by listenerLock_
    std::vector<Listener> listeners_; // guarded by listenerLock_
};

} // namespace Common::Mfc
