// VirtualCamera::PixelAdjustment: what the camera's settings do to the light
// of the test pattern: exposure and gain scale its intensity (highlights then
// saturate at 255), brightness adds an offset, white balance tints red
// against blue. The neutral adjustment leaves every pixel exactly as it is.
// Plain value, any thread.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace VirtualCamera
{

struct PixelAdjustment
{
    double intensity = 1.0; // exposure and gain
    double red = 1.0;       // white balance, on top of intensity
    double blue = 1.0;
    int offset = 0; // brightness, added to every channel

    bool operator==(const PixelAdjustment&) const = default;

    // One pixel 0xAARRGGBB; alpha stays.
    std::uint32_t Apply(std::uint32_t argb) const
    {
        const auto channel = [this](std::uint32_t value, double scale)
        {
            const long adjusted = std::lround(static_cast<double>(value) * intensity * scale) + offset;
            return static_cast<std::uint32_t>(std::clamp(adjusted, 0L, 255L));
        };
        return (argb & 0xFF000000u) | channel((argb >> 16) & 0xFF, red) << 16 |
               channel((argb >> 8) & 0xFF, 1.0) << 8 | channel(argb & 0xFF, blue);
    }
};

} // namespace VirtualCamera
