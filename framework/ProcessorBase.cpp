#include "framework/ProcessorBase.h"

#include <cstring>

namespace Tavix::Framework
{

ProcessorBase::~ProcessorBase() = default;

HRESULT ProcessorBase::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
    {
        return E_POINTER;
    }
    *object = nullptr;
    if (std::memcmp(&iid, &IID_IUnknown, sizeof(IID)) != 0 &&
        std::memcmp(&iid, &IID_IProcessor, sizeof(IID)) != 0)
    {
        return E_NOINTERFACE;
    }
    *object = static_cast<IProcessor*>(this);
    AddRef();
    return S_OK;
}

ULONG ProcessorBase::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&referenceCount_));
}

ULONG ProcessorBase::Release()
{
    const LONG count = InterlockedDecrement(&referenceCount_);
    if (count == 0)
    {
        delete this;
    }
    return static_cast<ULONG>(count);
}

HRESULT ProcessorBase::Initialize(IHostServices* host)
{
    if (host == nullptr)
    {
        return E_POINTER;
    }
    if (host != host_.Get())
    {
        host_ = Common::ComPointer<IHostServices>(host);
    }
    return S_OK;
}

HRESULT ProcessorBase::Terminate()
{
    host_.Reset();
    return S_OK;
}

HRESULT ProcessorBase::CreatePage(Common::Mfc::Window*, Common::Mfc::Window** page)
{
    if (page == nullptr)
    {
        return E_POINTER;
    }
    *page = nullptr;
    return S_OK;
}

Common::FrameBuffer* ProcessorBase::GetOutputImage()
{
    return host_ ? host_->GetFrame() : nullptr;
}

HRESULT ProcessorBase::Process()
{
    return S_OK;
}

HRESULT ProcessorBase::OnFrameFormatChanged()
{
    return S_OK;
}

HRESULT ProcessorBase::Draw(ID2D1RenderTarget*, double)
{
    return S_OK;
}

HRESULT ProcessorBase::OnMouseEnter()
{
    return S_OK;
}

HRESULT ProcessorBase::OnMouseLeave()
{
    return S_OK;
}

HRESULT ProcessorBase::OnLButtonDown(UINT, const D2D1_POINT_2F*, bool* capture)
{
    if (capture != nullptr)
    {
        *capture = false;
    }
    return S_OK;
}

HRESULT ProcessorBase::OnLButtonUp(UINT, const D2D1_POINT_2F*)
{
    return S_OK;
}

HRESULT ProcessorBase::OnMouseMove(UINT, const D2D1_POINT_2F*)
{
    return S_OK;
}

} // namespace Tavix::Framework
