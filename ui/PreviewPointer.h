// TavixCapture::PreviewPointer: the mouse over the preview. It sets the
// pixel read-out, drags the marker by its handle (the halo), re-centres it on
// a double click, pans the image, and hands the rest to the processor.
// A drag (marker, pan, or one the processor claimed) keeps the mouse until
// the button is released, wherever the pointer goes: the marker clamps to
// the image's edge and follows the pointer back in, a pan goes on. The mouse
// is always given back: at the release, or when the platform takes it away,
// which ends the drag as a release would. The processor sees enter and
// leave, and down and up, in pairs (PreviewProcessor). UI thread.
#pragma once

#include "ui/PreviewGeometry.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>

namespace Common::Mfc
{
class Window;
}

namespace TavixCapture
{

class MainModel;
class PreviewProcessor;

class PreviewPointer
{
public:
    // What the pointer needs of its window: the geometry as shown now (none
    // without a render target), panning, and a repaint.
    struct View
    {
        std::function<std::optional<PreviewGeometry>()> geometry;
        std::function<void(int dx, int dy)> scrollBy;
        std::function<void()> redraw;
    };

    PreviewPointer(Common::Mfc::Window& window, MainModel& model, PreviewProcessor& processor, View view);

    void ButtonDown(UINT flags, POINT client);
    void Move(UINT flags, POINT client);
    void ButtonUp(UINT flags, POINT client);
    void DoubleClick();
    // WM_MOUSELEAVE: the pointer left the window (while a drag holds the
    // mouse, the leave waits for the release).
    void Leave();
    // WM_CAPTURECHANGED: the mouse went to `newOwner`.
    void CaptureChanged(HWND newOwner);

    bool IsHover() const { return hover_; }
    bool IsDragging() const { return dragging_; }
    bool IsPanning() const { return panning_; }

private:
    bool Inside(POINT client) const;
    void EndDrag(UINT flags, POINT client);
    void LeaveNow();

    Common::Mfc::Window& window_;
    MainModel& model_;
    PreviewProcessor& processor_;
    View view_;

    bool tracking_ = false; // a leave notification is requested
    bool hover_ = false;    // within reach of the marker's handle
    bool dragging_ = false; // dragging the marker
    bool processorCapture_ = false;
    bool panning_ = false;
    bool holding_ = false; // this window holds the mouse for one of the three drags
    POINT last_ = {0, 0};  // the last pointer position, client pixels
};

} // namespace TavixCapture
