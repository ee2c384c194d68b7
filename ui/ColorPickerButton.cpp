#include "ui/ColorPickerButton.h"

#include "ui/ColorPalette.h"

namespace TavixCapture
{

void ColorPickerButton::SetColor(COLORREF color)
{
    if (color != color_)
    {
        color_ = color;
        if (GetSafeHwnd() != nullptr)
        {
            Invalidate(false);
        }
    }
}

bool ColorPickerButton::Pick()
{
    const auto chosen = ColorPalette::Pick(::GetParent(GetSafeHwnd()), GetWindowRect(), color_);
    if (!chosen)
    {
        return false;
    }
    SetColor(*chosen);
    return true;
}

void ColorPickerButton::Draw(const DRAWITEMSTRUCT& item) const
{
    const HDC dc = item.hDC;
    RECT face = item.rcItem;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    DrawFrameControl(dc, &face, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));

    const UINT dpi = GetDpiForWindow(item.hwndItem);
    const int unit = MulDiv(1, dpi != 0 ? static_cast<int>(dpi) : 96, 96);
    const int arrowWidth = 10 * unit;
    RECT swatch = face;
    InflateRect(&swatch, -4 * unit, -4 * unit);
    swatch.right -= arrowWidth;
    if (pressed)
    {
        OffsetRect(&swatch, unit, unit);
    }
    // A disabled button keeps its colour visible, dimmed by a grey frame.
    const HBRUSH brush = CreateSolidBrush(color_);
    if (brush != nullptr)
    {
        FillRect(dc, &swatch, brush);
        DeleteObject(brush);
    }
    FrameRect(dc, &swatch, GetSysColorBrush(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));

    // The drop-down arrow: a small triangle right of the swatch.
    const int cx = swatch.right + arrowWidth / 2 + (pressed ? unit : 0);
    const int cy = (face.top + face.bottom) / 2 + (pressed ? unit : 0);
    const int half = 3 * unit;
    POINT triangle[3] = {{cx - half, cy - half / 2}, {cx + half, cy - half / 2}, {cx, cy + half / 2}};
    const HBRUSH arrow = GetSysColorBrush(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
    const HGDIOBJ oldBrush = SelectObject(dc, arrow);
    const HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    Polygon(dc, triangle, 3);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);

    if ((item.itemState & ODS_FOCUS) != 0)
    {
        RECT focus = face;
        InflateRect(&focus, -3 * unit + 1, -3 * unit + 1);
        DrawFocusRect(dc, &focus);
    }
}

} // namespace TavixCapture
