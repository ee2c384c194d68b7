// Tavix::Framework::ProcessorBase: the default processor. It passes frames
// through unchanged, shows the device's frame, offers no page, draws nothing
// and ignores the mouse. Plug-in processors derive from it and override what
// they need (each override ends in CallGuarded). The count starts at 1: the
// creator owns the first reference.
//
// Threads: the host reference is set by Initialize and cleared by Terminate,
// both under the host's processor lock, so Process can read it without a
// lock of its own. AddRef and Release may be called from any thread.
#pragma once

#include "Common/ComPointer.h"
#include "framework/IProcessor.h"

namespace Tavix::Framework
{

class ProcessorBase : public IProcessor
{
public:
    ProcessorBase() noexcept = default;
    ProcessorBase(const ProcessorBase&) = delete;
    ProcessorBase& operator=(const ProcessorBase&) = delete;

    // IUnknown: answers IUnknown and IProcessor.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IProcessor
    HRESULT STDMETHODCALLTYPE Initialize(IHostServices* host) override;
    HRESULT STDMETHODCALLTYPE Terminate() override;
    HRESULT STDMETHODCALLTYPE CreatePage(Common::Mfc::Window* parent, Common::Mfc::Window** page) override;
    Common::FrameBuffer* STDMETHODCALLTYPE GetOutputImage() override;
    HRESULT STDMETHODCALLTYPE Process() override;
    HRESULT STDMETHODCALLTYPE OnFrameFormatChanged() override;
    HRESULT STDMETHODCALLTYPE Draw(ID2D1RenderTarget* target, double scale) override;
    HRESULT STDMETHODCALLTYPE OnMouseEnter() override;
    HRESULT STDMETHODCALLTYPE OnMouseLeave() override;
    HRESULT STDMETHODCALLTYPE OnLButtonDown(UINT flags, const D2D1_POINT_2F* point, bool* capture) override;
    HRESULT STDMETHODCALLTYPE OnLButtonUp(UINT flags, const D2D1_POINT_2F* point) override;
    HRESULT STDMETHODCALLTYPE OnMouseMove(UINT flags, const D2D1_POINT_2F* point) override;

protected:
    // Release destroys the object when the count reaches zero; the host
    // never calls the destructor itself.
    virtual ~ProcessorBase();

    // The host given to Initialize, or null before it and after Terminate.
    IHostServices* GetHost() const noexcept { return host_.Get(); }

private:
    volatile LONG referenceCount_ = 1;
    Common::ComPointer<IHostServices> host_; // set and cleared under the host's processor lock
};

} // namespace Tavix::Framework
