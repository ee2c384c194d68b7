// Common::Mfc::BindableBase: numbered change notifications to registered
// windows. Raise() may be called from any thread: a notification is always a
// posted message (message id 0x8000 = WM_APP, first parameter the object,
// second the property id), so handlers run later on the window's thread.
// Lock order: the listener lock is the innermost lock of the program.
#pragma once

#include "Common/CriticalSection.h"
#include "Common/ui/Window.h"

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
    // Removes the window if registered, keeping the others' order.
    virtual void RemoveListener(Window* window);
    // Notifies every registered window, in registration order.
    virtual void Raise(std::int32_t propertyId);
    // Posts the notification to one window; windows without a handle are skipped.
    virtual void Notify(Window* window, std::int32_t propertyId);

    std::uint32_t GetMessageId() const { return messageId_; }

protected:
    virtual void OnListenerAdded(Window* window) = 0;

private:
    const std::uint32_t messageId_;
    CriticalSection listenerLock_;
    std::vector<Window*> listeners_; // guarded by listenerLock_
};

} // namespace Common::Mfc
