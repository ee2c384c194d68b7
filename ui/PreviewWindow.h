// TavixCapture::PreviewWindow: the child window that shows the current frame
// with Direct2D: zoomed by the model's ViewRatio with sharp pixels, centred
// or scrolled, with the processor's overlay, the cross-line marker and its
// halo, the RGB profiles along the marker's row and column, and a transient
// debug text. It turns mouse input into model changes (cursor read-out,
// marker drag and re-centring, panning, wheel zoom) and forwards the mouse
// to the active processor in image coordinates.
//
// A Frame notification only marks the picture as stale; the paint takes the
// latest frame (a short copy under the device's frameLock), so a slow paint
// shows fewer frames, never older ones, and never holds up the delivery
// thread. UI thread.
#pragma once

#include "Common/ComPointer.h"
#include "Common/capture/FrameBuffer.h"
#include "Common/ui/FrameHandOff.h"
#include "Common/ui/RenderTarget.h"
#include "Common/ui/Window.h"

#include <d2d1.h>
#include <dwrite.h>

#include <cstdint>
#include <string>
#include <vector>

namespace TavixCapture
{

class MainModel;

class PreviewWindow : public Common::Mfc::Window
{
public:
    PreviewWindow(MainModel& model, bool isDebugMessageEnabled);
    ~PreviewWindow() override;

    // Creates the child window in `parent`, its render target and drawing
    // resources, and registers with the model.
    void Create(HWND parent, const RECT& rect);

    // The view in DIPs (0 x 0 without a render target).
    D2D1_SIZE_F GetViewSize() const { return renderTarget_.GetSize(); }
    // The text shown over the image while debug messages are enabled.
    const std::wstring& GetDebugText() const { return debugText_; }
    // Frames painted since the window was made: what the frame rate counts.
    std::uint64_t GetFramesShown() const { return framesShown_; }

    static constexpr UINT_PTR DebugTimerId = 1;
    static constexpr UINT_PTR FrameTimerId = 2;

protected:
    void OnPropertyChanged(std::int32_t id) override;
    bool AcknowledgesLater(std::int32_t id) const override;
    bool OnPaint() override;
    bool OnSize(UINT type, int width, int height) override;
    bool OnScroll(int bar, int request, int position, HWND control) override;
    bool OnLButtonDown(UINT flags, POINT point) override;
    bool OnLButtonUp(UINT flags, POINT point) override;
    bool OnLButtonDblClk(UINT flags, POINT point) override;
    bool OnMouseMove(UINT flags, POINT point) override;
    bool OnMouseWheel(UINT flags, int delta, POINT screenPoint) override;
    bool OnMouseLeave() override;
    bool OnTimer(UINT_PTR id) override;
    bool OnDestroy() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // Where the image lies in the view, in DIPs (double for painting).
    struct Placement
    {
        double scale;
        double width;
        double height;
        double x0;
        double y0;
    };
    Placement GetPlacement(double imageWidth, double imageHeight) const;
    // The image point under a client pixel, in single precision.
    D2D1_POINT_2F ToImagePoint(POINT client) const;

    void CreateResources(ID2D1RenderTarget& target);
    void DiscardResources() noexcept;
    void SetUpFrameBitmap();
    void CreateFrameBitmap(std::int32_t width, std::int32_t height);
    void CopyLatestFrame();
    void UpdateScrollBars();
    void Paint(ID2D1RenderTarget& target);
    void DrawProfiles(ID2D1RenderTarget& target, const Placement& placement);
    void DrawMarker(ID2D1RenderTarget& target, const Placement& placement);
    void UpdateMarkerBrush();
    void CheckProcessorResult(HRESULT result) const;
    // The window is shown with a non-empty client area: a paint will come.
    bool WillPaint() const;

    MainModel& model_;
    const bool isDebugMessageEnabled_;
    Common::Mfc::RenderTarget renderTarget_;
    Common::ComPointer<IDWriteFactory> writeFactory_;

    // Drawing resources, made on the render target.
    Common::ComPointer<ID2D1Bitmap> frameBitmap_;
    Common::ComPointer<ID2D1SolidColorBrush> textBrush_;
    Common::ComPointer<IDWriteTextFormat> textFormat_;
    Common::ComPointer<ID2D1SolidColorBrush> markerBrush_;
    Common::ComPointer<ID2D1RadialGradientBrush> idleHalo_;
    Common::ComPointer<ID2D1RadialGradientBrush> draggingHalo_;
    Common::ComPointer<ID2D1SolidColorBrush> redBrush_;
    Common::ComPointer<ID2D1SolidColorBrush> greenBrush_;
    Common::ComPointer<ID2D1SolidColorBrush> blueBrush_;

    // The frame notification: taken here, given back after the paint.
    Common::Mfc::FrameHandOff frameHandOff_{*this, FrameTimerId};
    // Frames painted since the window was made.
    std::uint64_t framesShown_ = 0;
    // Reused for every frame: the copy taken under frameLock, and the profiles.
    Common::FrameBuffer frameCopy_;
    std::vector<std::uint32_t> rowProfile_;
    std::vector<std::uint32_t> columnProfile_;
    std::vector<D2D1_POINT_2F> profilePoints_; // one curve at a time, reused by every paint

    bool tracking_ = false;
    bool hover_ = false;
    bool dragging_ = false;
    bool processorCapture_ = false;
    bool panning_ = false;
    std::int32_t lastPanX_ = 0;
    std::int32_t lastPanY_ = 0;
    std::wstring debugText_;
    UINT_PTR debugTimer_ = 0;
};

} // namespace TavixCapture
