// Common::Mfc::ListBox: a single-selection list. UI thread.
#pragma once

#include "Common/ui/Control.h"

#include "Common/Exception.h"

#include <string>

namespace Common::Mfc
{

class ListBox : public Control
{
public:
    // Appends (or inserts, when sorted) an item; returns its index.
    int AddString(const std::wstring& text)
    {
        const auto index = SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        ThrowIfFalse(index != LB_ERR && index != LB_ERRSPACE);
        return static_cast<int>(index);
    }
    void ResetContent() { SendMessage(LB_RESETCONTENT); }
    // -1 clears the selection.
    void SetCurSel(int index) { SendMessage(LB_SETCURSEL, static_cast<WPARAM>(index)); }
    // -1 when nothing is selected.
    int GetCurSel() const { return static_cast<int>(SendMessage(LB_GETCURSEL)); }
    int GetCount() const { return static_cast<int>(SendMessage(LB_GETCOUNT)); }
    std::wstring GetItemText(int index) const
    {
        const auto length = SendMessage(LB_GETTEXTLEN, static_cast<WPARAM>(index));
        ThrowIfFalse(length != LB_ERR);
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        SendMessage(LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(length));
        return text;
    }
};

} // namespace Common::Mfc
