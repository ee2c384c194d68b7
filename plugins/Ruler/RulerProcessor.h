// RulerProcessor "定規": measures on the live image. Dragging with the left
// button draws a line over the preview with its length in image pixels; the
// line stays until the next drag. It uses the mouse (claiming the drag, so
// the preview does not pan) and draws an overlay with Direct2D; frames pass
// unchanged. Every call that touches the line comes on the UI thread, so the
// line needs no lock.
#pragma once

#include "Common/ComPointer.h"
#include "framework/ProcessorBase.h"

#include <dwrite.h>

namespace TavixSamples
{

class RulerProcessor final : public Tavix::Framework::ProcessorBase
{
public:
    HRESULT STDMETHODCALLTYPE Draw(ID2D1RenderTarget* target, double scale) override;
    HRESULT STDMETHODCALLTYPE OnLButtonDown(UINT flags, const D2D1_POINT_2F* point, bool* capture) override;
    HRESULT STDMETHODCALLTYPE OnLButtonUp(UINT flags, const D2D1_POINT_2F* point) override;
    HRESULT STDMETHODCALLTYPE OnMouseMove(UINT flags, const D2D1_POINT_2F* point) override;

    // "123.4 px": the length of the line from `start` to `end` in image pixels.
    static std::wstring FormatLength(D2D1_POINT_2F start, D2D1_POINT_2F end);

private:
    void RequestRedraw();

    bool hasLine_ = false;
    bool dragging_ = false;
    D2D1_POINT_2F start_ = {};
    D2D1_POINT_2F end_ = {};
    Common::ComPointer<IDWriteTextFormat> textFormat_; // made on the first drawing
};

} // namespace TavixSamples
