#include "Common/ui/BindableBase.h"

#include "Common/Exception.h"

#include <algorithm>

namespace Common::Mfc
{

BindableBase::BindableBase() : messageId_(Window::GetPropertyChangedMessage()) {}

std::uint64_t BindableBase::Bit(std::int32_t propertyId)
{
    return propertyId >= 0 && propertyId <= MaxCoalescedId ? std::uint64_t{1} << propertyId : 0;
}

void BindableBase::SetCoalesced(std::int32_t propertyId)
{
    if (Bit(propertyId) == 0)
    {
        throw Exception(E_INVALIDARG);
    }
    AutoLock lock(listenerLock_);
    coalesced_ |= Bit(propertyId);
}

BindableBase::Listener* BindableBase::Find(Window* window)
{
    const auto found = std::find_if(listeners_.begin(), listeners_.end(),
                                    [window](const Listener& listener) { return listener.window == window; });
    return found != listeners_.end() ? &*found : nullptr;
}

void BindableBase::AddListener(Window* window)
{
    AutoLock lock(listenerLock_);
    if (Find(window) != nullptr)
    {
        return;
    }
    listeners_.push_back(Listener{window, 0, {}});
    OnListenerAdded(window);
}

void BindableBase::RemoveListener(Window* window)
{
    AutoLock lock(listenerLock_);
    const auto found = std::find_if(listeners_.begin(), listeners_.end(),
                                    [window](const Listener& listener) { return listener.window == window; });
    if (found != listeners_.end())
    {
        listeners_.erase(found);
    }
}

void BindableBase::Raise(std::int32_t propertyId)
{
    AutoLock lock(listenerLock_);
    for (Listener& listener : listeners_)
    {
        Post(listener, propertyId);
    }
}

bool BindableBase::Notify(Window* window, std::int32_t propertyId)
{
    AutoLock lock(listenerLock_);
    Listener* listener = Find(window);
    return listener != nullptr ? Post(*listener, propertyId) : PostMessageTo(window, propertyId);
}

void BindableBase::AcknowledgeNotification(Window* window, std::int32_t propertyId)
{
    AutoLock lock(listenerLock_);
    if (Listener* listener = Find(window))
    {
        listener->pending &= ~Bit(propertyId);
    }
}

bool BindableBase::Post(Listener& listener, std::int32_t propertyId)
{
    const std::uint64_t bit = Bit(propertyId) & coalesced_;
    const std::uint64_t now = bit != 0 ? GetTickMilliseconds() : 0;
    if ((listener.pending & bit) != 0)
    {
        const std::uint64_t postedAt = listener.postedAt[static_cast<std::size_t>(propertyId)];
        if (now - postedAt < LostAfterMilliseconds)
        {
            return false; // the queued one still stands for this change
        }
        // Not taken for so long: lost on its way. Post it again.
    }
    if (!PostMessageTo(listener.window, propertyId))
    {
        listener.pending &= ~bit;
        return false; // nothing queued, so nothing pending
    }
    if (bit != 0)
    {
        listener.pending |= bit;
        listener.postedAt[static_cast<std::size_t>(propertyId)] = now;
    }
    return true;
}

bool BindableBase::PostMessageTo(Window* window, std::int32_t propertyId)
{
    const HWND handle = window != nullptr ? window->GetSafeHwnd() : nullptr;
    if (handle == nullptr)
    {
        return false;
    }
    // A failed post (window gone, queue full) is not an error of the model:
    // the caller learns it from the result and nothing stays pending.
    return PostMessageW(handle, messageId_, reinterpret_cast<WPARAM>(this),
                        static_cast<LPARAM>(propertyId)) != FALSE;
}

} // namespace Common::Mfc
