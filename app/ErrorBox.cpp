#include "app/ErrorBox.h"

#include "Common/Exception.h"

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
    const std::wstring text = ComposeText(error, withLocation);
    MessageBoxW(owner, text.c_str(), L"エラー", MB_OK);
}

} // namespace TavixCapture
