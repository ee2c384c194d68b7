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
                                 std::int32_t stride)
{
    for (std::int32_t y = 0; y < height; ++y)
    {
        const std::uint8_t* row = pixels + static_cast<std::ptrdiff_t>(y) * stride;
        for (std::int32_t x = 0; x < width; ++x)
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
