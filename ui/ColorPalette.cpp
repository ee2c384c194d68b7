#include "ui/ColorPalette.h"

#include "Common/Exception.h"

#include <commdlg.h>

#include <algorithm>
#include <string>

namespace TavixCapture
{

namespace
{
constexpr int CellSize = 16;
constexpr int Gap = 4;
constexpr int OtherHeight = 22;
constexpr int OtherIndex = ColorPalette::Columns * ColorPalette::Rows;
const wchar_t* const OtherText = L"その他の色...";

// The user's own colours of the colour dialog, kept for the whole run.
COLORREF customColors[16] = {};

struct GdiObject
{
    HGDIOBJ handle;
    ~GdiObject()
    {
        if (handle != nullptr)
        {
            DeleteObject(handle);
        }
    }
};
} // namespace

const std::array<COLORREF, ColorPalette::Columns * ColorPalette::Rows>& ColorPalette::GetColors()
{
    static const std::array<COLORREF, Columns* Rows> colors = {
        RGB(0, 0, 0),    RGB(128, 128, 128), RGB(192, 192, 192), RGB(224, 224, 224), RGB(255, 255, 255),
        RGB(255, 0, 0),  RGB(255, 128, 0),   RGB(255, 255, 0),   RGB(0, 255, 0),     RGB(0, 255, 255),
        RGB(0, 0, 255),  RGB(255, 0, 255),   RGB(128, 0, 255),   RGB(255, 128, 192), RGB(128, 255, 128),
        RGB(128, 0, 0),  RGB(128, 64, 0),    RGB(128, 128, 0),   RGB(0, 128, 0),     RGB(0, 128, 128),
        RGB(0, 0, 128),  RGB(128, 0, 128),   RGB(64, 0, 128),    RGB(255, 192, 128), RGB(128, 192, 255),
        RGB(64, 64, 64), RGB(255, 128, 128), RGB(255, 255, 128), RGB(128, 255, 255), RGB(128, 128, 255),
    };
    return colors;
}

std::optional<COLORREF> ColorPalette::Pick(HWND owner, const RECT& anchor, COLORREF current)
{
    ColorPalette palette(owner, current);
    palette.Run(anchor);
    return palette.result_;
}

ColorPalette::ColorPalette(HWND owner, COLORREF current) : owner_(owner), current_(current)
{
    const UINT dpi = owner != nullptr ? GetDpiForWindow(owner) : 0;
    dpi_ = dpi != 0 ? dpi : 96;
    const auto& colors = GetColors();
    const auto found = std::find(colors.begin(), colors.end(), current);
    hot_ = found != colors.end() ? static_cast<int>(found - colors.begin()) : -1;
}

ColorPalette::~ColorPalette()
{
    DestroyWindow();
}

int ColorPalette::Scale(int pixels) const
{
    return MulDiv(pixels, static_cast<int>(dpi_), 96);
}

RECT ColorPalette::CellRect(int index) const
{
    const int column = index % Columns;
    const int row = index / Columns;
    const int pitch = Scale(CellSize + Gap);
    const int left = Scale(Gap) + column * pitch;
    const int top = Scale(Gap) + row * pitch;
    return {left, top, left + Scale(CellSize), top + Scale(CellSize)};
}

RECT ColorPalette::OtherRect() const
{
    const SIZE size = ClientSize();
    const int top = Scale(Gap) + Rows * Scale(CellSize + Gap);
    return {Scale(Gap), top, size.cx - Scale(Gap), top + Scale(OtherHeight)};
}

SIZE ColorPalette::ClientSize() const
{
    const int width = Scale(Gap) + Columns * Scale(CellSize + Gap);
    const int height = Scale(Gap) + Rows * Scale(CellSize + Gap) + Scale(OtherHeight) + Scale(Gap);
    return {width, height};
}

int ColorPalette::HitTest(POINT client) const
{
    for (int index = 0; index < OtherIndex; ++index)
    {
        const RECT cell = CellRect(index);
        if (PtInRect(&cell, client) != FALSE)
        {
            return index;
        }
    }
    const RECT other = OtherRect();
    return PtInRect(&other, client) != FALSE ? OtherIndex : -1;
}

void ColorPalette::Run(const RECT& anchor)
{
    // The window rectangle for the client size, below the anchor, kept on
    // the anchor's monitor.
    const SIZE client = ClientSize();
    RECT frame = {0, 0, client.cx, client.cy};
    Common::ThrowIfFalse(
        AdjustWindowRectExForDpi(&frame, WS_POPUP | WS_BORDER, FALSE, WS_EX_TOOLWINDOW, dpi_));
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    Common::ThrowIfFalse(GetMonitorInfoW(MonitorFromRect(&anchor, MONITOR_DEFAULTTONEAREST), &monitor));
    const RECT& work = monitor.rcWork;
    int x = std::clamp(static_cast<int>(anchor.left), static_cast<int>(work.left),
                       std::max(static_cast<int>(work.left), static_cast<int>(work.right) - width));
    int y = anchor.bottom;
    if (y + height > work.bottom)
    {
        y = std::max(static_cast<int>(work.top), static_cast<int>(anchor.top) - height);
    }
    CreateEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, L"TavixColorPalette", L"", WS_POPUP | WS_BORDER,
             RECT{x, y, x + width, y + height}, owner_, 0, nullptr, CS_DROPSHADOW);
    ::ShowWindow(GetSafeHwnd(), SW_SHOWNOACTIVATE);
    ::UpdateWindow(GetSafeHwnd());
    SetCapture();

    // Our own loop until the user has chosen or left; keys go to the palette
    // whichever window of the thread has the focus.
    MSG message;
    while (!done_)
    {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0)
        {
            // The program is ending: let the outer loop see the quit message too.
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        Common::Mfc::ThrowLastErrorIf(got == -1);
        if (message.message == WM_KEYDOWN && OnKey(static_cast<UINT>(message.wParam)))
        {
            continue;
        }
        if (message.message == WM_CHAR || message.message == WM_SYSKEYDOWN)
        {
            if (message.message == WM_SYSKEYDOWN)
            {
                Finish(std::nullopt);
            }
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (GetCapture() == GetSafeHwnd())
    {
        ReleaseCapture();
    }
    DestroyWindow();
}

void ColorPalette::Finish(std::optional<COLORREF> result)
{
    result_ = result;
    done_ = true;
}

void ColorPalette::ChooseOther()
{
    // The colour dialog takes over the input: give up the capture first and
    // stay out of its way.
    ReleaseCapture();
    ::ShowWindow(GetSafeHwnd(), SW_HIDE);
    CHOOSECOLORW choose = {};
    choose.lStructSize = sizeof(choose);
    choose.hwndOwner = owner_;
    choose.rgbResult = current_;
    choose.lpCustColors = customColors;
    choose.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR;
    if (ChooseColorW(&choose) != FALSE)
    {
        Finish(choose.rgbResult);
        return;
    }
    const DWORD error = CommDlgExtendedError();
    if (error != 0)
    {
        done_ = true;
        throw Common::Exception(HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER));
    }
    Finish(std::nullopt);
}

void ColorPalette::MoveHot(int columns, int rows)
{
    if (hot_ < 0)
    {
        hot_ = 0;
    }
    else if (hot_ == OtherIndex)
    {
        hot_ = rows < 0 ? OtherIndex - Columns : OtherIndex;
    }
    else
    {
        const int column = std::clamp(hot_ % Columns + columns, 0, Columns - 1);
        const int row = hot_ / Columns + rows;
        hot_ = row >= Rows ? OtherIndex : std::max(row, 0) * Columns + column;
    }
    Invalidate(false);
}

bool ColorPalette::OnKey(UINT key)
{
    switch (key)
    {
    case VK_ESCAPE:
        Finish(std::nullopt);
        return true;
    case VK_LEFT:
        MoveHot(-1, 0);
        return true;
    case VK_RIGHT:
        MoveHot(1, 0);
        return true;
    case VK_UP:
        MoveHot(0, -1);
        return true;
    case VK_DOWN:
        MoveHot(0, 1);
        return true;
    case VK_RETURN:
    case VK_SPACE:
        if (hot_ == OtherIndex)
        {
            ChooseOther();
        }
        else if (hot_ >= 0)
        {
            Finish(GetColors()[static_cast<std::size_t>(hot_)]);
        }
        return true;
    default:
        // Any other key leaves the palette, as a menu does on Alt or Tab.
        Finish(std::nullopt);
        return true;
    }
}

bool ColorPalette::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message)
    {
    case WM_CAPTURECHANGED:
        // Someone else took the pointer (a task switch, a menu): leave.
        if (reinterpret_cast<HWND>(lParam) != GetSafeHwnd() && !done_)
        {
            Finish(std::nullopt);
        }
        result = 0;
        return true;
    case WM_CANCELMODE:
    case WM_ACTIVATEAPP:
        if (message == WM_CANCELMODE || wParam == FALSE)
        {
            Finish(std::nullopt);
        }
        return false;
    case WM_MOUSEACTIVATE:
        result = MA_NOACTIVATE;
        return true;
    default:
        return Window::OnMessage(message, wParam, lParam, result);
    }
}

bool ColorPalette::OnMouseMove(UINT, POINT point)
{
    const int hit = HitTest(point);
    if (hit != hot_ && hit >= 0)
    {
        hot_ = hit;
        Invalidate(false);
    }
    return true;
}

bool ColorPalette::OnLButtonDown(UINT, POINT point)
{
    const RECT client = GetClientRect();
    pressedInside_ = PtInRect(&client, point) != FALSE;
    if (!pressedInside_)
    {
        // A click elsewhere closes the palette and is not passed on.
        Finish(std::nullopt);
    }
    return true;
}

bool ColorPalette::OnLButtonUp(UINT, POINT point)
{
    if (!pressedInside_)
    {
        return true;
    }
    const int hit = HitTest(point);
    if (hit == OtherIndex)
    {
        ChooseOther();
    }
    else if (hit >= 0)
    {
        Finish(GetColors()[static_cast<std::size_t>(hit)]);
    }
    return true;
}

bool ColorPalette::OnPaint()
{
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(GetSafeHwnd(), &paint);
    if (dc == nullptr)
    {
        return true;
    }
    const RECT client = GetClientRect();
    FillRect(dc, &client, GetSysColorBrush(COLOR_MENU));
    const auto& colors = GetColors();
    for (int index = 0; index < OtherIndex; ++index)
    {
        const RECT cell = CellRect(index);
        RECT outline = cell;
        InflateRect(&outline, Scale(2), Scale(2));
        if (index == hot_)
        {
            FillRect(dc, &outline, GetSysColorBrush(COLOR_HIGHLIGHT));
        }
        else if (colors[static_cast<std::size_t>(index)] == current_)
        {
            FrameRect(dc, &outline, GetSysColorBrush(COLOR_HIGHLIGHT));
        }
        const GdiObject brush{CreateSolidBrush(colors[static_cast<std::size_t>(index)])};
        if (brush.handle != nullptr)
        {
            FillRect(dc, &cell, static_cast<HBRUSH>(brush.handle));
        }
        FrameRect(dc, &cell, GetSysColorBrush(COLOR_BTNSHADOW));
    }
    RECT other = OtherRect();
    const bool hot = hot_ == OtherIndex;
    FillRect(dc, &other, GetSysColorBrush(hot ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
    FrameRect(dc, &other, GetSysColorBrush(COLOR_BTNSHADOW));
    const HFONT font = reinterpret_cast<HFONT>(::SendMessageW(owner_, WM_GETFONT, 0, 0));
    const HGDIOBJ oldFont = SelectObject(dc, font != nullptr ? font : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(hot ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT));
    DrawTextW(dc, OtherText, -1, &other, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, oldFont);
    EndPaint(GetSafeHwnd(), &paint);
    return true;
}

} // namespace TavixCapture
