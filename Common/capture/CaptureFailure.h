// Common::CaptureFailure: the program's own words for the platform's codes
// that stop a camera, each saying what the user can do about it. Both
// backends raise their open and streaming failures through it. Any thread.
#pragma once

#include "Common/Exception.h"

#include <source_location>

namespace Common
{

class CaptureFailure
{
public:
    // The text for a code that stops a camera; null for any other code.
    static const wchar_t* Describe(HRESULT code);

    // An Exception carrying `code` with its text from Describe; a code
    // without one gets `fallback` followed by the system's text in
    // parentheses, or (fallback null) the system's text alone.
    static Exception Make(HRESULT code, const wchar_t* fallback = nullptr,
                          std::source_location where = std::source_location::current());

    // The device is gone (removed, or its source already shut down): tearing
    // it down cannot fail in any way that matters any more.
    static bool IsDeviceGone(HRESULT code);

    // The platform said for sure that the camera was unplugged.
    static bool IsUnplugged(HRESULT code);
};

} // namespace Common
