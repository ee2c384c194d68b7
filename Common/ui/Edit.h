// Common::Mfc::Edit: a single-line edit field; its text through
// SetWindowText and GetWindowText. UI thread.
#pragma once

#include "Common/ui/Control.h"

namespace Common::Mfc
{

class Edit : public Control
{
public:
    void SetLimitText(int characters) { SendMessage(EM_SETLIMITTEXT, static_cast<WPARAM>(characters)); }
};

} // namespace Common::Mfc
