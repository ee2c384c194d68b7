// Common::Mfc::RenderTarget: the Direct2D render target of one window, with
// the window's DPI. It is a DC render target bound to the window's paint DC
// on every paint, so what it draws lands in the window through GDI: under
// Wine a window render target presents through OpenGL, which a virtual
// display without GL acceleration leaves black. The factory lives as long as
// the holder; the target and
// the resources made on it (brushes, bitmaps: the owner's, created in its
// `create` callback) are made again when drawing reports that the device
// was lost (D2DERR_RECREATE_TARGET): `discard` drops the old resources, the
// window is invalidated and the next paint creates everything anew.
// UI thread.
#pragma once

#include "Common/ComPointer.h"

#include <d2d1.h>

#include <functional>

namespace Common::Mfc
{

class RenderTarget
{
public:
    using ResourceCallback = std::function<void(ID2D1RenderTarget& target)>;

    RenderTarget();
    RenderTarget(const RenderTarget&) = delete;
    RenderTarget& operator=(const RenderTarget&) = delete;

    // Creates the target for `window` at its client size and DPI and calls
    // `create`; `discard` is called whenever the target goes.
    void Create(HWND window, ResourceCallback create, std::function<void()> discard);
    // Drops the target and the owner's resources.
    void Release() noexcept;

    ID2D1RenderTarget* Get() const { return target_.Get(); }
    ID2D1Factory* GetFactory() const { return factory_.Get(); }
    explicit operator bool() const { return static_cast<bool>(target_); }

    // After WM_SIZE: the new client size in pixels.
    void Resize(int width, int height);
    // After a DPI change of the window.
    void UpdateDpi();
    // The target's size in DIPs; 0 x 0 without a target.
    D2D1_SIZE_F GetSize() const;
    float GetDpiX() const { return dpiX_; }
    float GetDpiY() const { return dpiY_; }

    // WM_PAINT: paints the window with `paint` between BeginDraw and EndDraw
    // and validates it. Without a target (none made yet, or lost and not
    // made again) returns false and leaves the message to the default.
    bool Paint(const std::function<void(ID2D1RenderTarget& target)>& paint);

private:
    void CreateTarget();

    ComPointer<ID2D1Factory> factory_;
    ComPointer<ID2D1DCRenderTarget> target_;
    HWND window_ = nullptr;
    D2D1_SIZE_U pixelSize_ = {0, 0};
    float dpiX_ = 96.0f;
    float dpiY_ = 96.0f;
    ResourceCallback create_;
    std::function<void()> discard_;
};

} // namespace Common::Mfc
