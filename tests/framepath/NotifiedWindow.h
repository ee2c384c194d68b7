// NotifiedWindow: a real (hidden) window of its own class that takes a
// model's notifications as the program's windows do: it acknowledges each one
// to its sender first, then hands the id to the test's handler. Messages that
// name another sender or an id outside 0..21 are counted, not handled.
// UI thread (the thread that made it).
#pragma once

#include "Common/ui/BindableBase.h"

#include <cstdint>
#include <functional>

class NotifiedWindow : public Common::Mfc::Window
{
public:
    explicit NotifiedWindow(const Common::Mfc::BindableBase& source);
    ~NotifiedWindow() override;

    // Dispatches this window's messages until `done` holds after a message
    // or `wake` is signalled (when given); false when `timeoutMs` ran out.
    bool PumpUntil(const std::function<bool()>& done, HANDLE wake, DWORD timeoutMs);
    // Dispatches every message now queued for this window.
    void PumpQueued();

    std::function<void(std::int32_t id)> onNotification;
    std::function<void(WPARAM key)> onKeyDown;
    int malformed = 0;

private:
    static LRESULT CALLBACK WindowProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
    void OnModelMessage(WPARAM wParam, LPARAM lParam);

    const Common::Mfc::BindableBase& source_;
};
