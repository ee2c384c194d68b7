// The measurement core's view of a frame: 4 bytes a pixel in memory order
// blue, green, red, alpha, rows top-down. The core knows nothing of the
// platform; it reads the pixels it is shown and owns none of them. Any
// thread (the caller keeps the pixels unchanged while a function runs).
#pragma once

#include <cstdint>

namespace TavixMeasure
{

struct ImageView
{
    const std::uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0; // bytes from one row to the next

    bool IsEmpty() const { return pixels == nullptr || width <= 0 || height <= 0; }
    const std::uint8_t* Pixel(int x, int y) const
    {
        return pixels + static_cast<std::ptrdiff_t>(y) * stride + static_cast<std::ptrdiff_t>(x) * 4;
    }
};

// The measured quantity of a pixel. The order is the order of the page's list
// and of every per-channel array in the core.
enum class Channel
{
    Red = 0,
    Green = 1,
    Blue = 2,
    Luma = 3,
};
inline constexpr int ChannelCount = 4;

// Luma of Rec. 601 in integers: (77 R + 150 G + 29 B + 128) / 256, 0..255.
inline int Luma(int red, int green, int blue)
{
    return (77 * red + 150 * green + 29 * blue + 128) >> 8;
}

// The value of `channel` at a pixel (bytes blue, green, red, alpha).
inline int ChannelValue(const std::uint8_t* pixel, Channel channel)
{
    switch (channel)
    {
    case Channel::Red:
        return pixel[2];
    case Channel::Green:
        return pixel[1];
    case Channel::Blue:
        return pixel[0];
    case Channel::Luma:
        break;
    }
    return Luma(pixel[2], pixel[1], pixel[0]);
}

} // namespace TavixMeasure
