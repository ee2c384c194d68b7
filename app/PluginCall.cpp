#include "app/PluginCall.h"

#include <cwchar>

namespace TavixCapture
{

std::wstring DescribePluginFailure(HRESULT code)
{
    if (code == PluginThrew)
    {
        return L"例外が送出されました";
    }
    wchar_t text[24] = {};
    swprintf(text, 24, L"エラー 0x%08X", static_cast<unsigned>(code));
    return text;
}

Common::Exception PluginError(HRESULT code, const std::wstring& text, std::source_location where)
{
    Common::Exception error(text + L"（" + DescribePluginFailure(code) + L"）", where);
    error.ErrorCode = code;
    return error;
}

} // namespace TavixCapture
