#include "Common/ui/RenderTarget.h"

#include "Common/ui/Window.h"

#include <algorithm>

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
    pixelSize_ = D2D1::SizeU(static_cast<UINT32>(client.right), static_cast<UINT32>(client.bottom));
    const D2D1_RENDER_TARGET_PROPERTIES properties = D2D1::RenderTargetProperties(
        D2D1_RENDER_TARGET_TYPE_DEFAULT,
        D2D1::PixelFormat(DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_IGNORE), dpiX_, dpiY_);
    ThrowIfFailed(factory_->CreateDCRenderTarget(&properties, target_.Put()));
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
    // The target takes the new size when it is bound to the next paint.
    pixelSize_ =
        D2D1::SizeU(static_cast<UINT32>(std::max(width, 0)), static_cast<UINT32>(std::max(height, 0)));
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
    if (!target_)
    {
        return D2D1::SizeF(0.0f, 0.0f);
    }
    return D2D1::SizeF(static_cast<float>(pixelSize_.width) * 96.0f / dpiX_,
                       static_cast<float>(pixelSize_.height) * 96.0f / dpiY_);
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
    const HDC dc = BeginPaint(window_, &paintInfo);
    ThrowLastErrorIf(dc == nullptr);
    struct PaintEnd
    {
        HWND window;
        PAINTSTRUCT* info;
        ~PaintEnd() { EndPaint(window, info); }
    } paintEnd{window_, &paintInfo};
    const RECT bound = {0, 0, static_cast<LONG>(pixelSize_.width), static_cast<LONG>(pixelSize_.height)};
    ThrowIfFailed(target_->BindDC(dc, &bound));

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
