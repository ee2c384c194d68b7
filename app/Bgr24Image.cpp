#include "app/Bgr24Image.h"

#include <cstddef>

namespace TavixCapture
{

std::int32_t GetBgr24Stride(std::int32_t width)
{
    return (width * 3 + 3) & ~3;
}

std::vector<std::uint8_t> ConvertToBgr24(const Common::FrameBuffer& frame, RowOrder order)
{
    if (frame.width <= 0 || frame.height <= 0)
    {
        return {};
    }
    const std::size_t width = static_cast<std::size_t>(frame.width);
    const std::size_t height = static_cast<std::size_t>(frame.height);
    const std::size_t stride = static_cast<std::size_t>(GetBgr24Stride(frame.width));
    std::vector<std::uint8_t> image(stride * height, 0);
    for (std::size_t y = 0; y < height; ++y)
    {
        const std::uint8_t* source = frame.pixels.data() + y * static_cast<std::size_t>(frame.stride);
        const std::size_t row = order == RowOrder::TopDown ? y : height - 1 - y;
        std::uint8_t* target = image.data() + row * stride;
        for (std::size_t x = 0; x < width; ++x)
        {
            target[0] = source[0];
            target[1] = source[1];
            target[2] = source[2];
            target += 3;
            source += 4;
        }
    }
    return image;
}

} // namespace TavixCapture
