// TavixCapture::PreviewWindow: the child window that shows the current frame
// with Direct2D: zoomed by the model's ViewRatio with sharp pixels, centred
// or scrolled, with the processor's overlay, the cross-line marker and its
// halo, the RGB profiles along the marker's row and column, and a transient
// debug text. It wires the parts that do the work: PreviewGeometry (where
// the image lies), PreviewPainter (what is drawn), PreviewPointer (the
// mouse) and PreviewProcessor (the processor's overlay and mouse calls).
//
// A Frame notification only marks the picture as stale (FrameHandOff); the
// paint takes the latest frame, so a slow paint shows fewer frames, never
// older ones, and never holds up the delivery thread. UI thread.
#pragma once

#include "Common/ui/FrameHandOff.h"
#include "Common/ui/RenderTarget.h"
#include "Common/ui/Window.h"
#include "ui/PreviewGeometry.h"
#include "ui/PreviewPainter.h"
#include "ui/PreviewPointer.h"
#include "ui/PreviewProcessor.h"

#include <cstdint>
#include <optional>
#include <string>

namespace TavixCapture
{

class MainModel;

class PreviewWindow : public Common::Mfc::Window
{
public:
    PreviewWindow(MainModel& model, bool isDebugMessageEnabled);
    ~PreviewWindow() override;

    // Creates the child window in `parent`, its render target, and registers
    // with the model.
    void Create(HWND parent, const RECT& rect);

    // The view in DIPs (0 x 0 without a render target).
    D2D1_SIZE_F GetViewSize() const { return renderTarget_.GetSize(); }
    // The text shown over the image while debug messages are enabled.
    const std::wstring& GetDebugText() const { return debugText_; }
    // What is written over the picture while the camera is gone.
    const std::wstring& GetNotice() const { return notice_; }
    // Frames painted since the window was made: what the frame rate counts.
    std::uint64_t GetFramesShown() const { return painter_.GetFramesShown(); }
    // 1 at full resolution, else the factor a frame too large for the
    // display is scaled down by.
    std::uint32_t GetReduction() const { return painter_.GetReduction(); }
    // The processor's overlay and mouse input are off after a failure.
    bool IsProcessorSwitchedOff() { return processor_.IsSwitchedOff(); }

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
    // The geometry as the window shows it now; none without a render target.
    std::optional<PreviewGeometry> Geometry() const;
    // Sets both scroll bars for the current frame size, ratio and window
    // size; `positions` replaces the bars' positions (wheel zoom).
    void UpdateScrollBars(std::optional<PreviewGeometry::Point> positions = std::nullopt);
    void ScrollBy(int dx, int dy);
    // The window is shown with a non-empty client area: a paint will come.
    bool WillPaint() const;

    MainModel& model_;
    const bool isDebugMessageEnabled_;
    Common::Mfc::RenderTarget renderTarget_;
    PreviewProcessor processor_;
    PreviewPainter painter_;
    PreviewPointer pointer_;
    // The frame notification: taken here, given back after the paint.
    Common::Mfc::FrameHandOff frameHandOff_{*this, FrameTimerId};
    bool updatingScrollBars_ = false; // the bars' own WM_SIZE must not start another update

    std::wstring debugText_;
    std::wstring notice_; // the model's capture notice, as last told
    UINT_PTR debugTimer_ = 0;
};

} // namespace TavixCapture
