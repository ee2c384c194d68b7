// Common::Mfc::SliderControl: a horizontal slider that also answers the
// mouse wheel. A wheel notch (delta 120) moves it by a fiftieth of its
// range, rounded to the nearest position and kept within the range; the
// parent then receives WM_HSCROLL with SB_THUMBPOSITION and the new
// position, exactly as if the thumb had been dropped there, so the parent
// handles wheel and mouse in one place. The wheel message is consumed, so no
// other window scrolls. UI thread.
#pragma once

#include "Common/ui/Slider.h"

namespace Common::Mfc
{

class SliderControl : public Slider
{
public:
    // Takes over dialog item `id` of `dialog` (routes its messages here).
    void SubclassItem(const Window& dialog, int id) { Subclass(dialog.GetDlgItem(id)); }

    // The position a wheel turn of `delta` (120 a notch, signed) leads to
    // from `position` in [minimum, maximum].
    static int WheelPosition(int position, int minimum, int maximum, int delta);

protected:
    bool OnMouseWheel(UINT flags, int delta, POINT screenPoint) override;
};

} // namespace Common::Mfc
