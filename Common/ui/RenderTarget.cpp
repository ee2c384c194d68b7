#include "Common/ui/RenderTarget.h"

#include "Common/ui/Window.h"

namespace Common::Mfc
{

RenderTarget::RenderTarget()
{
    D2D1_FACTORY_OPTIONS options = {};
    ThrowIfFailed(D2D1CreateFactory(D2D1_FACTORY_TYPE_SINGLE_THREADED, __uuidof(ID2D1Factory), &options,
                                    factory_.PutVoid()));
}

void RenderTarget::Create(HWND window, ResourceCallback create, std::function<void()> discard)
{
    window_ = window;
    create_ = std::move(create);
    discard_ = std::move(discard);
    CreateTarget();
}

void RenderTarget::CreateTarget()
{
    RECT client = {};
    ThrowLastErrorIf(GetClientRect(window_, &client) == FALSE);
    const UINT dpi = GetDpiForWindow(window_);
    dpiX_ = dpiY_ = dpi != 0 ? static_cast<float>(dpi) : 96.0f;
    const D2D1_RENDER_TARGET_PROPERTIES properties = D2D1::RenderTargetProperties(
        D2D1_RENDER_TARGET_TYPE_DEFAULT,
        D2D1::PixelFormat(DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED), dpiX_, dpiY_);
    const D2D1_HWND_RENDER_TARGET_PROPERTIES hwndProperties = D2D1::HwndRenderTargetProperties(
        window_, D2D1::SizeU(static_cast<UINT32>(client.right), static_cast<UINT32>(client.bottom)));
    ThrowIfFailed(factory_->CreateHwndRenderTarget(properties, hwndProperties, target_.Put()));
    if (create_)
    {
        create_(*target_.Get());
    }
}

void RenderTarget::Release() noexcept
{
    if (target_ && discard_)
    {
        discard_();
    }
    target_.Reset();
}

void RenderTarget::Resize(int width, int height)
{
    if (target_)
    {
        ThrowIfFailed(target_->Resize(D2D1::SizeU(static_cast<UINT32>(width), static_cast<UINT32>(height))));
    }
}

void RenderTarget::UpdateDpi()
{
    const UINT dpi = GetDpiForWindow(window_);
    if (dpi != 0)
    {
        dpiX_ = dpiY_ = static_cast<float>(dpi);
        if (target_)
        {
            target_->SetDpi(dpiX_, dpiY_);
        }
    }
}

D2D1_SIZE_F RenderTarget::GetSize() const
{
    return target_ ? target_->GetSize() : D2D1::SizeF(0.0f, 0.0f);
}

bool RenderTarget::Paint(const std::function<void(ID2D1RenderTarget& target)>& paint)
{
    if (!target_ && window_ != nullptr && create_)
    {
        // Lost earlier: made again on this paint.
        CreateTarget();
    }
    if (!target_)
    {
        return false;
    }
    PAINTSTRUCT paintInfo = {};
    ThrowLastErrorIf(BeginPaint(window_, &paintInfo) == nullptr);
    struct PaintEnd
    {
        HWND window;
        PAINTSTRUCT* info;
        ~PaintEnd() { EndPaint(window, info); }
    } paintEnd{window_, &paintInfo};

    target_->BeginDraw();
    HRESULT drawn = S_OK;
    try
    {
        paint(*target_.Get());
    }
    catch (...)
    {
        // Close the drawing before the error leaves; its own result no longer matters.
        static_cast<void>(target_->EndDraw());
        throw;
    }
    drawn = target_->EndDraw();
    if (drawn == static_cast<HRESULT>(D2DERR_RECREATE_TARGET))
    {
        Release();
        ThrowLastErrorIf(InvalidateRect(window_, nullptr, FALSE) == FALSE);
        return true;
    }
    ThrowIfFailed(drawn);
    return true;
}

} // namespace Common::Mfc
