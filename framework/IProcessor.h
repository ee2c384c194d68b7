// Tavix::Framework::IProcessor: one exchangeable piece of image processing
// between capture and display. The host creates it through the plug-in's
// factory, calls Initialize, any of the calls below, Terminate, and releases
// it.
//
// Threads: Process runs on the capture delivery thread under the host's
// processor lock; Initialize and Terminate run on the UI thread under the
// same lock; every other call runs on the UI thread without a host lock and
// may overlap Process, so a processor guards its own state between the two.
// Nothing a processor throws may leave one of these calls: each ends in a
// catch-all that turns the error into an HRESULT.
#pragma once

#include "framework/IHostServices.h"

#include <d2d1.h>

namespace Common::Mfc
{
class Window;
}

namespace Tavix::Framework
{

// {A0B7DAB4-7CD3-442C-BC8A-320E432884E3}
inline constexpr IID IID_IProcessor = {
    0xa0b7dab4, 0x7cd3, 0x442c, {0xbc, 0x8a, 0x32, 0x0e, 0x43, 0x28, 0x84, 0xe3}};

struct TAVIX_INTERFACE_ID("A0B7DAB4-7CD3-442C-BC8A-320E432884E3") IProcessor : public IUnknown
{
    // Right after creation; the processor keeps a reference to the host.
    virtual HRESULT STDMETHODCALLTYPE Initialize(IHostServices* host) = 0;
    // Before the host releases the processor.
    virtual HRESULT STDMETHODCALLTYPE Terminate() = 0;
    // The processor's settings page as a child of `parent`, or null for none.
    // The page belongs to the processor.
    virtual HRESULT STDMETHODCALLTYPE CreatePage(Common::Mfc::Window* parent, Common::Mfc::Window** page) = 0;
    // The image the preview shows, of the selected format's size; it stays
    // valid and unchanged in size until the next call.
    virtual Common::FrameBuffer* STDMETHODCALLTYPE GetOutputImage() = 0;
    // Once per captured frame (delivery thread); the result is ignored.
    virtual HRESULT STDMETHODCALLTYPE Process() = 0;
    // After the device or the frame format changed, capture stopped.
    virtual HRESULT STDMETHODCALLTYPE OnFrameFormatChanged() = 0;
    // Overlay drawing: the target's transform puts image pixel (x, y) at
    // (x * scale, y * scale) .. ((x + 1) * scale, (y + 1) * scale).
    virtual HRESULT STDMETHODCALLTYPE Draw(ID2D1RenderTarget* target, double scale) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnMouseEnter() = 0;
    virtual HRESULT STDMETHODCALLTYPE OnMouseLeave() = 0;
    // Points are image pixel coordinates, unrounded, possibly outside the
    // image; flags are the mouse message's key-state flags. Setting *capture
    // to true keeps the mouse for the processor until OnLButtonUp.
    virtual HRESULT STDMETHODCALLTYPE OnLButtonDown(UINT flags, const D2D1_POINT_2F* point,
                                                    bool* capture) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnLButtonUp(UINT flags, const D2D1_POINT_2F* point) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnMouseMove(UINT flags, const D2D1_POINT_2F* point) = 0;
};

} // namespace Tavix::Framework

#if defined(__CRT_UUID_DECL)
__CRT_UUID_DECL(Tavix::Framework::IProcessor, 0xa0b7dab4, 0x7cd3, 0x442c, 0xbc, 0x8a, 0x32, 0x0e, 0x43, 0x28,
                0x84, 0xe3)
#endif
