// TavixCapture::PreviewGeometry: where the image lies in the preview and how
// the pointer maps onto it, with no window: placement (centred, or scrolled
// when larger than the view), client pixel to image point, the scroll bars'
// ranges (both bars decided together, each taking room from the other
// axis), a thumb position beyond 16 bits, the scroll positions that keep an
// image point under the pointer through a zoom, and the marker's handle.
// Views and positions are in DIPs, pointer positions in client pixels.
// Pure and cheap; any thread.
#pragma once

#include <cstdint>

namespace TavixCapture
{

class PreviewGeometry
{
public:
    struct Size
    {
        double width;
        double height;
    };
    struct Point
    {
        double x;
        double y;
    };
    // Where the image lies in the view, in DIPs.
    struct Placement
    {
        double scale;
        double width;
        double height;
        double x0;
        double y0;
    };
    // One scroll bar; all zero removes it. `limit` is the largest position.
    struct ScrollRange
    {
        int minimum;
        int maximum;
        int page;
        int limit;
        bool Shown() const { return maximum > minimum || page > 0; }
    };
    struct ScrollLayout
    {
        Size view; // what is left of the area once the bars are shown
        ScrollRange horizontal;
        ScrollRange vertical;
    };

    static constexpr double HandleDistance = 20.0; // DIPs around the marker's crossing

    // frame: pixels; ratio: percent; view: DIPs; scroll: positions; dpi: the target's.
    PreviewGeometry(std::int32_t frameWidth, std::int32_t frameHeight, std::int32_t ratio, Size view,
                    Point scroll = {0.0, 0.0}, double dpiX = 96.0, double dpiY = 96.0);

    Placement Place() const;
    // The image point under a client pixel (unrounded: what a processor gets).
    Point ToImage(double clientX, double clientY) const;
    // The pixel under a client pixel, truncated toward zero (a point less
    // than a pixel left of or above the image is still column or row 0).
    static std::int32_t PixelOf(double imageCoordinate);
    // True when the client pixel is within HandleDistance of the crossing of
    // the marker at pixel (markerX, markerY).
    bool IsOnMarkerHandle(double clientX, double clientY, std::int32_t markerX, std::int32_t markerY) const;

    // The range of one axis for an image `extent` in a `view`, keeping
    // `position` (clamped into it).
    static ScrollRange RangeFor(double extent, double view);
    // Both bars for an `area` (the client area without bars, DIPs) and bars
    // `barWidth` (vertical bar) and `barHeight` (horizontal bar) thick: a bar
    // shown on one axis narrows the other, which may then need its own.
    ScrollLayout Layout(Size area, double barWidth, double barHeight) const;

    // The position a thumb request carries: `position16` is the request's
    // 16-bit position, `trackPosition` the bar's 32-bit tracking position
    // (the platform may have reset it when the thumb is released), and
    // `currentPosition` the bar's position. The result is in [minimum,
    // limit], matches the 16 bits and is the nearest such to where it was.
    static int ThumbPosition(int position16, int trackPosition, int currentPosition,
                             const ScrollRange& range);

    // Scroll positions that keep the image point under the client pixel
    // (clientX, clientY) where it is when the ratio becomes `newRatio` and
    // the view `newView`.
    Point AnchoredScroll(double clientX, double clientY, std::int32_t newRatio, Size newView) const;

    // The ratio after a wheel turn of `delta` (120 a notch): 10 % a notch,
    // compounded, rounded, within [10, 1000].
    static std::int32_t WheelRatio(std::int32_t ratio, int delta);

private:
    std::int32_t frameWidth_;
    std::int32_t frameHeight_;
    std::int32_t ratio_;
    Size view_;
    Point scroll_;
    double dpiX_;
    double dpiY_;
};

} // namespace TavixCapture
