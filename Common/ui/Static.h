// Common::Mfc::Static: a label, frame or picture. UI thread.
#pragma once

#include "Common/ui/Control.h"

namespace Common::Mfc
{

class Static : public Control
{
public:
    // Shows `bitmap` (an SS_BITMAP static); returns the one shown before.
    HBITMAP SetBitmap(HBITMAP bitmap)
    {
        return reinterpret_cast<HBITMAP>(
            SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
    }
};

} // namespace Common::Mfc
