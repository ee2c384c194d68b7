// Common::FrameRegion: a rectangle of frame pixels (left column, top row,
// width, height): a pixel or row copied out of a frame, the region a
// processor measures. Plain value.
#pragma once

#include <cstdint>

namespace Common
{

struct FrameRegion
{
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;

    bool operator==(const FrameRegion&) const = default;
};

} // namespace Common
