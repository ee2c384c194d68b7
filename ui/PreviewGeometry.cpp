#include "ui/PreviewGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace TavixCapture
{

namespace
{
constexpr std::int32_t MinimumRatio = 10;
constexpr std::int32_t MaximumRatio = 1000;

// The offset of the image on one axis: centred, less the scroll position
// when the image is larger than the view.
double Offset(double view, double extent, double scroll)
{
    const double offset = (view - extent) * 0.5;
    return extent > view ? offset - scroll : offset;
}
} // namespace

PreviewGeometry::PreviewGeometry(std::int32_t frameWidth, std::int32_t frameHeight, std::int32_t ratio,
                                 Size view, Point scroll, double dpiX, double dpiY)
    : frameWidth_(frameWidth), frameHeight_(frameHeight), ratio_(ratio), view_(view), scroll_(scroll),
      dpiX_(dpiX > 0.0 ? dpiX : 96.0), dpiY_(dpiY > 0.0 ? dpiY : 96.0)
{
}

PreviewGeometry::Placement PreviewGeometry::Place() const
{
    Placement placement = {};
    placement.scale = ratio_ / 100.0;
    placement.width = frameWidth_ * placement.scale;
    placement.height = frameHeight_ * placement.scale;
    placement.x0 = Offset(view_.width, placement.width, scroll_.x);
    placement.y0 = Offset(view_.height, placement.height, scroll_.y);
    return placement;
}

PreviewGeometry::Point PreviewGeometry::ToImage(double clientX, double clientY) const
{
    const Placement placement = Place();
    // Single precision, as the processor receives it.
    const float x =
        (static_cast<float>(clientX) * 96.0f / static_cast<float>(dpiX_) - static_cast<float>(placement.x0)) /
        static_cast<float>(placement.scale);
    const float y =
        (static_cast<float>(clientY) * 96.0f / static_cast<float>(dpiY_) - static_cast<float>(placement.y0)) /
        static_cast<float>(placement.scale);
    return {x, y};
}

std::int32_t PreviewGeometry::PixelOf(double imageCoordinate)
{
    return static_cast<std::int32_t>(imageCoordinate);
}

bool PreviewGeometry::IsOnMarkerHandle(double clientX, double clientY, std::int32_t markerX,
                                       std::int32_t markerY) const
{
    const Placement placement = Place();
    const double mx = (markerX + 0.5) * placement.scale + placement.x0;
    const double my = (markerY + 0.5) * placement.scale + placement.y0;
    const double dx = clientX * 96.0 / dpiX_ - mx;
    const double dy = clientY * 96.0 / dpiY_ - my;
    return std::sqrt(dx * dx + dy * dy) < HandleDistance;
}

PreviewGeometry::ScrollRange PreviewGeometry::RangeFor(double extent, double view)
{
    if (view >= extent)
    {
        return {0, 0, 0, 0};
    }
    const double excess = extent - view;
    ScrollRange range = {};
    range.minimum = static_cast<int>(-excess / 2.0);
    range.page = static_cast<int>(view / 2.0);
    range.maximum = range.minimum + static_cast<int>(std::ceil(excess)) + range.page - 1;
    range.limit = range.maximum - std::max(range.page - 1, 0);
    return range;
}

PreviewGeometry::ScrollLayout PreviewGeometry::Layout(Size area, double barWidth, double barHeight) const
{
    const double scale = ratio_ / 100.0;
    const double width = frameWidth_ * scale;
    const double height = frameHeight_ * scale;
    // A bar is needed when the image does not fit what the other bar leaves.
    bool horizontal = false;
    bool vertical = false;
    for (int pass = 0; pass < 3; ++pass)
    {
        horizontal = width > area.width - (vertical ? barWidth : 0.0);
        vertical = height > area.height - (horizontal ? barHeight : 0.0);
    }
    ScrollLayout layout = {};
    layout.view = {std::max(area.width - (vertical ? barWidth : 0.0), 0.0),
                   std::max(area.height - (horizontal ? barHeight : 0.0), 0.0)};
    layout.horizontal = RangeFor(width, layout.view.width);
    layout.vertical = RangeFor(height, layout.view.height);
    return layout;
}

int PreviewGeometry::ThumbPosition(int position16, int trackPosition, int currentPosition,
                                   const ScrollRange& range)
{
    const int low = position16 & 0xFFFF;
    if ((trackPosition & 0xFFFF) == low && trackPosition >= range.minimum && trackPosition <= range.limit)
    {
        return trackPosition;
    }
    // The value in the range with these 16 bits nearest to where the thumb was.
    int best = std::clamp(currentPosition, range.minimum, range.limit);
    long long bestDistance = -1;
    const long long first = static_cast<long long>(range.minimum) - (range.minimum & 0xFFFF) + low - 0x10000;
    for (long long candidate = first; candidate <= static_cast<long long>(range.limit); candidate += 0x10000)
    {
        if (candidate < range.minimum)
        {
            continue;
        }
        const long long distance = std::llabs(candidate - currentPosition);
        if (bestDistance < 0 || distance < bestDistance)
        {
            bestDistance = distance;
            best = static_cast<int>(candidate);
        }
    }
    return best;
}

PreviewGeometry::Point PreviewGeometry::AnchoredScroll(double clientX, double clientY, std::int32_t newRatio,
                                                       Size newView) const
{
    const Point image = ToImage(clientX, clientY);
    const double scale = newRatio / 100.0;
    const double pointerX = clientX * 96.0 / dpiX_;
    const double pointerY = clientY * 96.0 / dpiY_;
    // x0' = pointer - image * s', and x0' = (V - E') / 2 - scroll'.
    const auto axis = [](double view, double extent, double pointer, double imageCoordinate, double s)
    {
        if (extent <= view)
        {
            return 0.0;
        }
        return (view - extent) * 0.5 - (pointer - imageCoordinate * s);
    };
    return {axis(newView.width, frameWidth_ * scale, pointerX, image.x, scale),
            axis(newView.height, frameHeight_ * scale, pointerY, image.y, scale)};
}

std::int32_t PreviewGeometry::WheelRatio(std::int32_t ratio, int delta)
{
    const double next = std::pow(1.1, delta / 120.0) * ratio;
    return std::clamp(static_cast<std::int32_t>(std::round(next)), MinimumRatio, MaximumRatio);
}

} // namespace TavixCapture
