#include "LabelsCutOff.h"

#include <cstdio>
#include <cwchar>
#include <iterator>

namespace TestSupport
{
namespace
{

// Whether the text of a button or label fits inside it, with the room the
// control needs around it (a check box's box, a button's edges); `isLabel`
// tells whether the control is one (any other fits).
bool TextFits(HWND control, bool* isLabel, std::wstring* why)
{
    *isLabel = false;
    const int length = GetWindowTextLengthW(control);
    if (length == 0)
    {
        return true;
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(control, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    wchar_t className[32] = {};
    GetClassNameW(control, className, 32);
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    int room = 0;
    if (std::wcscmp(className, L"Button") == 0)
    {
        const LONG kind = style & BS_TYPEMASK;
        if (kind == BS_GROUPBOX)
        {
            room = 16;
        }
        else if ((style & BS_PUSHLIKE) != 0 || kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON)
        {
            room = 6; // the edges and the focus frame
        }
        else
        {
            room = GetSystemMetrics(SM_CXMENUCHECK) + 4; // the box and its gap
        }
    }
    else if (std::wcscmp(className, L"Static") != 0 || (style & SS_TYPEMASK) > SS_RIGHT)
    {
        return true; // not a label
    }
    *isLabel = true;
    const HDC dc = GetDC(control);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE extent = {};
    GetTextExtentPoint32W(dc, text.c_str(), length, &extent);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    RECT client = {};
    GetClientRect(control, &client);
    if (extent.cx + room <= client.right && extent.cy <= client.bottom)
    {
        return true;
    }
    wchar_t line[256] = {};
    std::swprintf(line, std::size(line), L"id %d: text %d x %d (+%d) in %ld x %ld\n", GetDlgCtrlID(control),
                  static_cast<int>(extent.cx), static_cast<int>(extent.cy), room, client.right,
                  client.bottom);
    *why += line;
    return false;
}

struct Findings
{
    std::wstring why;
    int labels = 0;
};

} // namespace

std::wstring LabelsCutOff(HWND parent, int* labels)
{
    Findings findings;
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM context) -> BOOL
        {
            auto& found = *reinterpret_cast<Findings*>(context);
            bool isLabel = false;
            if (IsWindowVisible(child))
            {
                TextFits(child, &isLabel, &found.why);
            }
            found.labels += isLabel ? 1 : 0;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&findings));
    if (labels != nullptr)
    {
        *labels = findings.labels;
    }
    return findings.why;
}

} // namespace TestSupport
