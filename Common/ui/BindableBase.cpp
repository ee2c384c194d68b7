#include "Common/ui/BindableBase.h"

#include <algorithm>

namespace Common::Mfc
{

BindableBase::BindableBase() : messageId_(WM_APP) {}

void BindableBase::AddListener(Window* window)
{
    AutoLock lock(listenerLock_);
    if (std::find(listeners_.begin(), listeners_.end(), window) != listeners_.end())
    {
        return;
    }
    listeners_.push_back(window);
    OnListenerAdded(window);
}

void BindableBase::RemoveListener(Window* window)
{
    AutoLock lock(listenerLock_);
    const auto found = std::find(listeners_.begin(), listeners_.end(), window);
    if (found != listeners_.end())
    {
        listeners_.erase(found);
    }
}

void BindableBase::Raise(std::int32_t propertyId)
{
    AutoLock lock(listenerLock_);
    for (Window* window : listeners_)
    {
        Notify(window, propertyId);
    }
}

void BindableBase::Notify(Window* window, std::int32_t propertyId)
{
    const HWND handle = window != nullptr ? window->GetSafeHwnd() : nullptr;
    if (handle == nullptr)
    {
        return;
    }
    // A failed post (window gone, queue full) is not an error of the model.
    PostMessageW(handle, messageId_, reinterpret_cast<WPARAM>(this), static_cast<LPARAM>(propertyId));
}

} // namespace Common::Mfc
