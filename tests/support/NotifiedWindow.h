// NotifiedWindow: a real (hidden) window of the program's window layer that
// takes a model's notifications as the program's windows do (the layer
// acknowledges each one to its sender). Each id goes to `onNotification`
// when set, else it is kept for Drain. Ids outside 0..21 are counted, not
// handled. UI thread (the thread that made it).
#pragma once

#include "Common/ui/Window.h"
#include "app/PropertyId.h"

#include <cstdint>
#include <functional>
#include <ostream>
#include <vector>

namespace TavixCapture
{
// Property ids print as their numbers in failure messages.
inline void PrintTo(PropertyId id, std::ostream* out)
{
    *out << static_cast<int>(id);
}
} // namespace TavixCapture

using Ids = std::vector<TavixCapture::PropertyId>;

class NotifiedWindow : public Common::Mfc::Window
{
public:
    NotifiedWindow();
    ~NotifiedWindow() override;

    // Dispatches this window's messages until `done` holds after a message
    // or `wake` is signalled (when given); false when `timeoutMs` ran out.
    bool PumpUntil(const std::function<bool()>& done, HANDLE wake, DWORD timeoutMs);
    // Dispatches every message now queued for this window.
    void PumpQueued();
    // Dispatches what is queued; the ids kept since the last call, in order.
    Ids Drain();

    std::function<void(std::int32_t id)> onNotification;
    std::function<void(WPARAM key)> onKeyDown;
    int malformed = 0;

protected:
    void OnPropertyChanged(std::int32_t id) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    Ids kept_;
};
