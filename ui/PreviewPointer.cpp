#include "ui/PreviewPointer.h"

#include "Common/ui/Window.h"
#include "app/MainModel.h"
#include "ui/PreviewProcessor.h"

#include <algorithm>
#include <utility>

namespace TavixCapture
{

namespace
{
D2D1_POINT_2F ToProcessor(const PreviewGeometry::Point& point)
{
    return D2D1::Point2F(static_cast<float>(point.x), static_cast<float>(point.y));
}
} // namespace

PreviewPointer::PreviewPointer(Common::Mfc::Window& window, MainModel& model, PreviewProcessor& processor,
                               View view)
    : window_(window), model_(model), processor_(processor), view_(std::move(view))
{
}

bool PreviewPointer::Inside(POINT client) const
{
    RECT rect = {};
    return ::GetClientRect(window_.GetSafeHwnd(), &rect) != FALSE && PtInRect(&rect, client) != FALSE;
}

void PreviewPointer::ButtonDown(UINT flags, POINT client)
{
    last_ = client;
    if (holding_)
    {
        return; // a drag is on: one at a time
    }
    if (hover_)
    {
        dragging_ = true;
    }
    else
    {
        if (const std::optional<PreviewGeometry> geometry = view_.geometry())
        {
            processorCapture_ =
                processor_.LButtonDown(flags, ToProcessor(geometry->ToImage(client.x, client.y)));
        }
        // A click the processor does not claim pans, also outside the image.
        panning_ = !processorCapture_;
    }
    holding_ = true;
    window_.SetCapture();
    view_.redraw();
}

void PreviewPointer::Move(UINT flags, POINT client)
{
    const bool inside = Inside(client);
    if (!tracking_ && inside)
    {
        window_.TrackMouseLeave();
        tracking_ = true;
        processor_.MouseEnter();
    }
    const POINT previous = std::exchange(last_, client);
    const std::optional<PreviewGeometry> geometry = view_.geometry();
    if (!geometry)
    {
        return;
    }
    if (panning_)
    {
        view_.scrollBy(previous.x - client.x, previous.y - client.y);
        return;
    }
    const PreviewGeometry::Point image = geometry->ToImage(client.x, client.y);
    if (inside || processorCapture_)
    {
        processor_.MouseMove(flags, ToProcessor(image));
    }
    const Common::FrameFormat& format = *model_.GetCurrentDevice().GetSelectedFormat();
    const std::int32_t ix = PreviewGeometry::PixelOf(image.x);
    const std::int32_t iy = PreviewGeometry::PixelOf(image.y);
    if (inside && ix >= 0 && ix < format.width && iy >= 0 && iy < format.height)
    {
        model_.SetCursorInImage(true);
        model_.SetCursorPosition(ix, iy);
    }
    else if (model_.GetIsCursorInImage())
    {
        model_.SetCursorInImage(false);
    }

    if (dragging_)
    {
        // Clamped to the image, wherever the pointer is.
        model_.SetMarkerPosition(std::clamp(ix, 0, format.width - 1), std::clamp(iy, 0, format.height - 1));
    }
    else if (model_.GetIsMarkerVisible() && !holding_)
    {
        const POINT marker = model_.GetMarkerPosition();
        const bool hover = inside && geometry->IsOnMarkerHandle(client.x, client.y, marker.x, marker.y);
        if (hover != hover_)
        {
            hover_ = hover;
            view_.redraw();
        }
    }
}

void PreviewPointer::ButtonUp(UINT flags, POINT client)
{
    last_ = client;
    if (!holding_)
    {
        return;
    }
    EndDrag(flags, client);
}

// Ends the drag on: the processor gets its button-up, the mouse goes back,
// and a pointer that is no longer over the window has left it.
void PreviewPointer::EndDrag(UINT flags, POINT client)
{
    holding_ = false;
    dragging_ = false;
    processorCapture_ = false;
    panning_ = false;
    if (processor_.IsButtonDown())
    {
        if (const std::optional<PreviewGeometry> geometry = view_.geometry())
        {
            processor_.LButtonUp(flags, ToProcessor(geometry->ToImage(client.x, client.y)));
        }
    }
    if (GetCapture() == window_.GetSafeHwnd())
    {
        Common::Mfc::Window::ReleaseCapture();
    }
    view_.redraw();
    POINT cursor = {};
    if (GetCursorPos(&cursor) != FALSE && ScreenToClient(window_.GetSafeHwnd(), &cursor) != FALSE &&
        !Inside(cursor))
    {
        LeaveNow();
    }
}

void PreviewPointer::DoubleClick()
{
    if (!hover_)
    {
        return;
    }
    hover_ = false;
    const Common::FrameFormat& format = *model_.GetCurrentDevice().GetSelectedFormat();
    model_.SetMarkerPosition(format.width / 2, format.height / 2);
    view_.redraw();
}

void PreviewPointer::Leave()
{
    tracking_ = false;
    if (holding_)
    {
        return; // the drag goes on outside; the leave comes with the release
    }
    LeaveNow();
}

void PreviewPointer::LeaveNow()
{
    tracking_ = false;
    hover_ = false;
    if (model_.GetIsCursorInImage())
    {
        model_.SetCursorInImage(false);
    }
    processor_.MouseLeave();
    view_.redraw();
}

void PreviewPointer::CaptureChanged(HWND newOwner)
{
    if (holding_ && newOwner != window_.GetSafeHwnd())
    {
        // Taken away (another window, a system key): the drag ends here.
        EndDrag(0, last_);
    }
}

} // namespace TavixCapture
