// Common::Mfc::Slider: a trackbar. UI thread.
#pragma once

#include "Common/ui/Control.h"

#include <commctrl.h>

namespace Common::Mfc
{

class Slider : public Control
{
public:
    void SetRange(int minimum, int maximum, bool redraw = false)
    {
        SendMessage(TBM_SETRANGEMIN, FALSE, minimum);
        SendMessage(TBM_SETRANGEMAX, redraw ? TRUE : FALSE, maximum);
    }
    int GetRangeMin() const { return static_cast<int>(SendMessage(TBM_GETRANGEMIN)); }
    int GetRangeMax() const { return static_cast<int>(SendMessage(TBM_GETRANGEMAX)); }
    void SetPos(int position, bool redraw = true)
    {
        SendMessage(TBM_SETPOS, redraw ? TRUE : FALSE, position);
    }
    int GetPos() const { return static_cast<int>(SendMessage(TBM_GETPOS)); }
    // A tick every `frequency` positions from the minimum.
    void SetTicFreq(int frequency) { SendMessage(TBM_SETTICFREQ, static_cast<WPARAM>(frequency)); }
    // One more tick at `position` (not at the ends, which always have one).
    bool SetTic(int position) { return SendMessage(TBM_SETTIC, 0, position) != FALSE; }
};

} // namespace Common::Mfc
