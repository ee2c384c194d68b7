// TavixCapture::CallPlugin: the host's guard around one call into a plug-in.
// Whatever the plug-in's code throws is caught here and becomes the code
// PluginThrew, so the exception object is destroyed while the library that
// made it is still loaded (the caller keeps its share of the library for the
// length of the call). Any thread.
#pragma once

#include "Common/ComPointer.h"
#include "Common/Exception.h"

#include <windows.h>

#include <source_location>
#include <string>
#include <utility>

namespace TavixCapture
{

// The code a call gets when the plug-in threw instead of returning.
inline constexpr HRESULT PluginThrew = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0221);

template <class Function> HRESULT CallPlugin(Function&& function) noexcept
{
    try
    {
        return std::forward<Function>(function)();
    }
    catch (...)
    {
        return PluginThrew;
    }
}

// Releases a plug-in's object the same way, leaving the pointer empty.
template <class Interface> void ReleasePluginObject(Common::ComPointer<Interface>& object) noexcept
{
    if (Interface* owned = object.Detach())
    {
        static_cast<void>(CallPlugin(
            [owned]
            {
                owned->Release();
                return S_OK;
            }));
    }
}

// "例外が送出されました" for PluginThrew, else "エラー 0x80004005".
std::wstring DescribePluginFailure(HRESULT code);

// An Exception carrying the plug-in's code, with `text` and the description
// of the code as its message.
Common::Exception PluginError(HRESULT code, const std::wstring& text,
                              std::source_location where = std::source_location::current());

} // namespace TavixCapture
