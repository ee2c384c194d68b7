#include "app/ExposureSearch.h"

#include <algorithm>
#include <cstring>

namespace TavixCapture
{

ExposureSearch::ExposureSearch(const Common::CameraProperty& exposure)
    : minimum_(std::min(exposure.minimum, exposure.maximum)), step_(std::max(exposure.step, 1))
{
    const std::int64_t span =
        static_cast<std::int64_t>(std::max(exposure.minimum, exposure.maximum)) - minimum_;
    bad_ = static_cast<std::int32_t>(span / step_ + 1);
}

bool ExposureSearch::Observe(bool saturated)
{
    if (Done())
    {
        return true;
    }
    ++probes_;
    (saturated ? bad_ : good_) = Middle();
    return Done();
}

std::optional<std::int32_t> ExposureSearch::Result() const
{
    if (good_ < 0)
    {
        return std::nullopt;
    }
    return ValueOf(good_);
}

bool ExposureSearch::IsSaturated(const std::uint8_t* pixels, std::int32_t width, std::int32_t height,
                                 std::int32_t stride, const std::optional<Common::FrameRegion>& region)
{
    if (width <= 0 || height <= 0)
    {
        return false;
    }
    std::int32_t left = 0, top = 0, right = width, bottom = height;
    if (region)
    {
        // 64 bits: a region may reach far outside the frame.
        const std::int64_t regionRight = static_cast<std::int64_t>(region->x) + region->width;
        const std::int64_t regionBottom = static_cast<std::int64_t>(region->y) + region->height;
        const std::int32_t clippedLeft = std::clamp(region->x, 0, width);
        const std::int32_t clippedTop = std::clamp(region->y, 0, height);
        const auto clippedRight = static_cast<std::int32_t>(std::clamp<std::int64_t>(regionRight, 0, width));
        const auto clippedBottom =
            static_cast<std::int32_t>(std::clamp<std::int64_t>(regionBottom, 0, height));
        if (clippedLeft < clippedRight && clippedTop < clippedBottom)
        {
            left = clippedLeft;
            top = clippedTop;
            right = clippedRight;
            bottom = clippedBottom;
        }
    }
    for (std::int32_t y = top; y < bottom; ++y)
    {
        const std::uint8_t* row = pixels + static_cast<std::ptrdiff_t>(y) * stride;
        for (std::int32_t x = left; x < right; ++x)
        {
            std::uint32_t pixel;
            std::memcpy(&pixel, row + static_cast<std::ptrdiff_t>(x) * 4, sizeof(pixel));
            // Blue, green and red; alpha says nothing of the light.
            if ((pixel & 0xFFu) == 0xFFu || (pixel & 0xFF00u) == 0xFF00u || (pixel & 0xFF0000u) == 0xFF0000u)
            {
                return true;
            }
        }
    }
    return false;
}

} // namespace TavixCapture
