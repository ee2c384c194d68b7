#include "ui/PreviewProcessor.h"

#include "Common/Exception.h"
#include "Common/ui/ErrorReporter.h"

#include <utility>

namespace TavixCapture
{

PreviewProcessor::PreviewProcessor(CurrentProcessor current, ProcessorName name)
    : current_(std::move(current)), name_(std::move(name))
{
}

void PreviewProcessor::OnProcessorChanged()
{
    seen_ = nullptr;
    switchedOff_ = nullptr;
    inside_ = false;
    buttonDown_ = false;
}

Tavix::Framework::IProcessor* PreviewProcessor::Usable()
{
    Tavix::Framework::IProcessor* processor = current_ ? current_() : nullptr;
    if (processor != seen_)
    {
        // Another processor: what the last one saw does not concern it.
        seen_ = processor;
        inside_ = false;
        buttonDown_ = false;
        if (processor != switchedOff_)
        {
            switchedOff_ = nullptr;
        }
    }
    return processor != nullptr && processor != switchedOff_ ? processor : nullptr;
}

bool PreviewProcessor::IsSwitchedOff()
{
    Usable();
    return switchedOff_ != nullptr;
}

void PreviewProcessor::Draw(ID2D1RenderTarget& target, double scale)
{
    if (Tavix::Framework::IProcessor* processor = Usable())
    {
        Check(L"描画", processor->Draw(&target, scale));
    }
}

void PreviewProcessor::MouseEnter()
{
    Tavix::Framework::IProcessor* processor = Usable();
    if (processor != nullptr && !inside_)
    {
        inside_ = true;
        Check(L"マウス操作", processor->OnMouseEnter());
    }
}

void PreviewProcessor::MouseLeave()
{
    Tavix::Framework::IProcessor* processor = Usable();
    if (processor != nullptr && inside_)
    {
        inside_ = false;
        Check(L"マウス操作", processor->OnMouseLeave());
    }
}

bool PreviewProcessor::LButtonDown(UINT flags, D2D1_POINT_2F point)
{
    Tavix::Framework::IProcessor* processor = Usable();
    if (processor == nullptr || buttonDown_)
    {
        return false;
    }
    bool capture = false;
    buttonDown_ = true;
    if (!Check(L"マウス操作", processor->OnLButtonDown(flags, &point, &capture)))
    {
        return false;
    }
    return capture;
}

void PreviewProcessor::LButtonUp(UINT flags, D2D1_POINT_2F point)
{
    Tavix::Framework::IProcessor* processor = Usable();
    if (processor != nullptr && buttonDown_)
    {
        buttonDown_ = false;
        Check(L"マウス操作", processor->OnLButtonUp(flags, &point));
    }
}

void PreviewProcessor::MouseMove(UINT flags, D2D1_POINT_2F point)
{
    if (Tavix::Framework::IProcessor* processor = Usable())
    {
        Check(L"マウス操作", processor->OnMouseMove(flags, &point));
    }
}

void PreviewProcessor::OutputImageFailed(const std::wstring& why)
{
    if (Usable() != nullptr)
    {
        SwitchOff(L"出力画像が正しくありません (" + why + L")。", E_UNEXPECTED);
    }
}

bool PreviewProcessor::Check(const wchar_t* call, HRESULT result)
{
    if (SUCCEEDED(result))
    {
        return true;
    }
    std::wstring reason = Common::Exception::GetSystemMessage(result);
    while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r'))
    {
        reason.pop_back();
    }
    SwitchOff(std::wstring(call) + L"に失敗しました (" + reason + L")。", result);
    return false;
}

void PreviewProcessor::SwitchOff(const std::wstring& what, HRESULT code)
{
    switchedOff_ = seen_;
    inside_ = false;
    buttonDown_ = false;
    std::wstring name;
    try
    {
        name = name_ ? name_() : std::wstring();
    }
    catch (...)
    {
    }
    Common::Exception error(
        L"処理「" + name + L"」の" + what +
            L"\n処理を選び直すまで、この処理の表示とマウス操作を止めます。映像の表示は続きます。",
        L"PreviewProcessor", __LINE__);
    error.ErrorCode = code;
    Common::Mfc::ErrorReporter::Post(owner_, std::make_exception_ptr(error));
}

} // namespace TavixCapture
