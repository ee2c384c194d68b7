// Common::Mfc::Button: a push button, check box or push-like check box.
// UI thread.
#pragma once

#include "Common/ui/Control.h"

namespace Common::Mfc
{

class Button : public Control
{
public:
    // BST_UNCHECKED, BST_CHECKED (a push-like check box shows pushed).
    void SetCheck(int state) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(state)); }
    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
};

} // namespace Common::Mfc
