// TavixCapture::StartupOptions: the four options of section "Application",
// read once at start-up and written straight back so that the file always
// lists them. Fixed afterwards; read from any thread.
#pragma once

#include "app/IniProfile.h"

#include <cstdint>

namespace TavixCapture
{

struct StartupOptions
{
    bool IsDebugMessageEnabled = false;
    // 1 selects DirectShow; every other value Media Foundation.
    std::int32_t CaptureApiFamily = 0;
    bool SkipErrorDevice = true;
    bool AllowDuplicateFrameFormat = false;

    // Missing keys keep the current values; any non-zero integer is true.
    void Load(const IniProfile& profile);
    // Writes the four keys (booleans as 0/1) as one change of the file.
    // False when it could not be written (a read-only file, a full disk);
    // the file then keeps its earlier content, and the start goes on.
    bool Save(const IniProfile& profile) const;
};

} // namespace TavixCapture
