// Common::Mfc::Spin: an up-down control with a 32-bit range, usually
// attached to the edit field before it. UI thread.
#pragma once

#include "Common/ui/Control.h"

#include <commctrl.h>

#include <utility>

namespace Common::Mfc
{

class Spin : public Control
{
public:
    void SetRange32(int lower, int upper) { SendMessage(UDM_SETRANGE32, static_cast<WPARAM>(lower), upper); }
    std::pair<int, int> GetRange32() const
    {
        int lower = 0;
        int upper = 0;
        SendMessage(UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lower), reinterpret_cast<LPARAM>(&upper));
        return {lower, upper};
    }
    // Moves to `position` (kept within the range) and rewrites the buddy's text.
    void SetPos32(int position) { SendMessage(UDM_SETPOS32, 0, position); }
    // The position as the buddy's text gives it, kept within the range.
    int GetPos32() const
    {
        BOOL error = FALSE;
        return static_cast<int>(SendMessage(UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&error)));
    }
};

} // namespace Common::Mfc
