#include "Common/ui/StatusBar.h"

#include "Common/Exception.h"

#include <commctrl.h>

#include <vector>

namespace Common::Mfc
{

void StatusBar::Create(HWND parent, UINT_PTR id)
{
    const HWND handle =
        CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | CCS_BOTTOM, 0, 0, 0, 0, parent,
                        reinterpret_cast<HMENU>(id), GetModuleHandleW(nullptr), nullptr);
    ThrowLastErrorIf(handle == nullptr);
    Subclass(handle);
}

void StatusBar::SetPanes(std::initializer_list<int> widths)
{
    // The control takes the right edge of every pane.
    std::vector<int> edges;
    int right = 0;
    for (const int width : widths)
    {
        right += width;
        edges.push_back(right);
    }
    ThrowIfFalse(SendMessage(SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data())) != FALSE);
}

int StatusBar::GetPaneCount() const
{
    return static_cast<int>(SendMessage(SB_GETPARTS, 0, 0));
}

void StatusBar::SetPaneText(int pane, const std::wstring& text)
{
    ThrowIfFalse(
        SendMessage(SB_SETTEXTW, static_cast<WPARAM>(pane), reinterpret_cast<LPARAM>(text.c_str())) != FALSE);
    ThrowLastErrorIf(UpdateWindow(GetSafeHwnd()) == FALSE);
}

std::wstring StatusBar::GetPaneText(int pane) const
{
    const LRESULT lengthAndType = SendMessage(SB_GETTEXTLENGTHW, static_cast<WPARAM>(pane));
    const std::size_t length = LOWORD(lengthAndType);
    std::wstring text(length + 1, L'\0');
    SendMessage(SB_GETTEXTW, static_cast<WPARAM>(pane), reinterpret_cast<LPARAM>(text.data()));
    text.resize(length);
    return text;
}

} // namespace Common::Mfc
