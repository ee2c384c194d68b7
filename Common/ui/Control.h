// Common::Mfc::Control: the base of the small control wrappers: a window
// that refers to a dialog item (or a control created elsewhere) and does not
// own it; the dialog destroys its items. UI thread.
#pragma once

#include "Common/ui/Window.h"

namespace Common::Mfc
{

class Control : public Window
{
public:
    // Refers to item `id` of `dialog`; raises Exception when there is none.
    void AttachItem(const Window& dialog, int id) { Attach(dialog.GetDlgItem(id)); }
    int GetId() const { return GetDlgCtrlID(GetSafeHwnd()); }
};

} // namespace Common::Mfc
