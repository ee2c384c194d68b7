// TavixCapture::ColorPickerButton: the marker's colour button. It shows its
// colour as a swatch with a drop-down arrow (an owner-drawn push button; its
// parent hands it WM_DRAWITEM) and, when clicked, opens the ColorPalette.
// The parent learns of a chosen colour by the button's click notification
// and reads it with GetColor. UI thread.
#pragma once

#include "Common/ui/Button.h"

#include <windows.h>

namespace TavixCapture
{

class ColorPickerButton : public Common::Mfc::Button
{
public:
    COLORREF GetColor() const { return color_; }
    // Repaints only when the colour changes.
    void SetColor(COLORREF color);

    // Opens the palette below the button; true when the user chose a colour
    // (it is then the button's colour).
    bool Pick();

    // Paints the button for its parent's WM_DRAWITEM.
    void Draw(const DRAWITEMSTRUCT& item) const;

private:
    COLORREF color_ = RGB(0, 0, 0);
};

} // namespace TavixCapture
