// Common::Mfc::ComboBox: a drop-down list. UI thread.
#pragma once

#include "Common/ui/Control.h"

#include "Common/Exception.h"

#include <string>

namespace Common::Mfc
{

class ComboBox : public Control
{
public:
    // Appends (or inserts, when sorted) an item; returns its index.
    int AddString(const std::wstring& text)
    {
        const auto index = SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        ThrowIfFalse(index != CB_ERR && index != CB_ERRSPACE);
        return static_cast<int>(index);
    }
    void ResetContent() { SendMessage(CB_RESETCONTENT); }
    // -1 clears the selection.
    void SetCurSel(int index) { SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index)); }
    // -1 when nothing is selected.
    int GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
    int GetCount() const { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
    std::wstring GetItemText(int index) const
    {
        const auto length = SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
        ThrowIfFalse(length != CB_ERR);
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(length));
        return text;
    }
};

} // namespace Common::Mfc
