// TavixCapture::ColorPalette: the drop-down of the marker's colour button: a
// small pop-up of colour cells in 5 columns and, below them, the entry
// "その他の色..." that opens the system's colour dialog. It has no entry for
// an automatic colour. Pick runs it until a colour is chosen or the user
// leaves (a click outside, Escape, the pointer captured elsewhere).
// Keyboard: the arrow keys move the highlighted cell, Enter or Space take it.
// UI thread.
#pragma once

#include "Common/ui/Window.h"

#include <windows.h>

#include <array>
#include <optional>

namespace TavixCapture
{

class ColorPalette : public Common::Mfc::Window
{
public:
    static constexpr int Columns = 5;
    static constexpr int Rows = 6;
    // The colours of the cells, row by row.
    static const std::array<COLORREF, Columns * Rows>& GetColors();

    // Shows the palette below `anchor` (screen coordinates) with `current`
    // marked; the chosen colour, or nothing when the user left without one.
    static std::optional<COLORREF> Pick(HWND owner, const RECT& anchor, COLORREF current);

private:
    explicit ColorPalette(HWND owner, COLORREF current);
    ~ColorPalette() override;

    void Run(const RECT& anchor);
    void Finish(std::optional<COLORREF> result);
    void ChooseOther();
    void MoveHot(int columns, int rows);

    // Geometry in client pixels at the window's DPI; index Columns * Rows is
    // the "other colours" entry, -1 nothing.
    RECT CellRect(int index) const;
    RECT OtherRect() const;
    SIZE ClientSize() const;
    int HitTest(POINT client) const;
    int Scale(int pixels) const;

    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnPaint() override;
    bool OnMouseMove(UINT flags, POINT point) override;
    bool OnLButtonUp(UINT flags, POINT point) override;
    bool OnLButtonDown(UINT flags, POINT point) override;
    bool OnKey(UINT key);

    HWND owner_;
    COLORREF current_;
    UINT dpi_ = 96;
    int hot_ = -1;
    bool pressedInside_ = false;
    bool done_ = false;
    std::optional<COLORREF> result_;
};

} // namespace TavixCapture
