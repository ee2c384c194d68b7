#include "app/ErrorBox.h"

#include "Common/Exception.h"

#include <cwctype>

namespace TavixCapture
{

std::wstring ErrorBox::ComposeText(const std::exception_ptr& error, bool withLocation)
{
    try
    {
        std::rethrow_exception(error);
    }
    catch (const Common::Exception& exception)
    {
        return withLocation ? exception.GetLocatedMessage() : exception.Message;
    }
    catch (...)
    {
        return L"未知のエラーが発生しました。";
    }
}

void ErrorBox::Show(HWND owner, const std::exception_ptr& error, bool withLocation)
{
    const std::wstring text = WrapLongRuns(ComposeText(error, withLocation));
    MessageBoxW(owner, text.c_str(), L"エラー", MB_OK);
}

std::wstring ErrorBox::WrapLongRuns(const std::wstring& text, std::size_t width)
{
    std::wstring wrapped;
    wrapped.reserve(text.size() + text.size() / width + 1);
    std::size_t runStart = 0;      // where the current run began in `wrapped`
    std::size_t lastSeparator = 0; // just after the run's last separator, 0 for none
    for (const wchar_t c : text)
    {
        if (std::iswspace(c))
        {
            wrapped += c;
            runStart = wrapped.size();
            lastSeparator = 0;
            continue;
        }
        if (wrapped.size() - runStart >= width)
        {
            const std::size_t breakAt = lastSeparator > runStart ? lastSeparator : wrapped.size();
            wrapped.insert(breakAt, 1, L'\n');
            runStart = breakAt + 1;
            lastSeparator = 0;
        }
        wrapped += c;
        if (c == L'\\' || c == L'/')
        {
            lastSeparator = wrapped.size();
        }
    }
    return wrapped;
}

} // namespace TavixCapture
