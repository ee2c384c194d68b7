// TavixCapture::PreviewProcessor: the active processor as the preview meets
// it: its overlay (Draw) and the pointer (enter, leave, button down and up,
// move). The processor sees enter and leave, and button down and up, in
// matched pairs. A call that fails switches the processor's overlay and
// pointer input off until another processor is chosen, and is reported once,
// in the user's words, naming the processor; the picture goes on. The same
// holds for an output image that does not match its own buffer.
// The host side is two functions: the active processor, and its name.
// UI thread.
#pragma once

#include "framework/IProcessor.h"

#include <d2d1.h>

#include <functional>
#include <string>

namespace TavixCapture
{

class PreviewProcessor
{
public:
    using CurrentProcessor = std::function<Tavix::Framework::IProcessor*()>;
    using ProcessorName = std::function<std::wstring()>;

    PreviewProcessor(CurrentProcessor current, ProcessorName name);

    // The window that reports: the owner of the error box.
    void SetOwner(HWND owner) { owner_ = owner; }

    // Another processor was chosen: its calls go on (and pairs start anew).
    void OnProcessorChanged();
    // The active processor, unless it is switched off.
    Tavix::Framework::IProcessor* Usable();
    bool IsSwitchedOff();

    void Draw(ID2D1RenderTarget& target, double scale);
    void MouseEnter();
    void MouseLeave();
    // True when the processor keeps the mouse until the button is released.
    bool LButtonDown(UINT flags, D2D1_POINT_2F point);
    // Only after a button-down it has seen.
    void LButtonUp(UINT flags, D2D1_POINT_2F point);
    void MouseMove(UINT flags, D2D1_POINT_2F point);
    // Its output image was unusable (`why`): switched off as after a failed call.
    void OutputImageFailed(const std::wstring& why);

    bool IsInside() const { return inside_; }
    bool IsButtonDown() const { return buttonDown_; }

private:
    // The call's result: false after a failure (reported, switched off).
    bool Check(const wchar_t* call, HRESULT result);
    void SwitchOff(const std::wstring& what, HRESULT code);

    CurrentProcessor current_;
    ProcessorName name_;
    HWND owner_ = nullptr;
    Tavix::Framework::IProcessor* seen_ = nullptr; // the processor the pairs below are about
    Tavix::Framework::IProcessor* switchedOff_ = nullptr;
    bool inside_ = false;     // OnMouseEnter sent, OnMouseLeave not yet
    bool buttonDown_ = false; // OnLButtonDown sent, OnLButtonUp not yet
};

} // namespace TavixCapture
