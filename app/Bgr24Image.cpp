#include "app/Bgr24Image.h"

#include <cstddef>
#include <cstring>

namespace TavixCapture
{

std::int32_t GetBgr24Stride(std::int32_t width)
{
    return (width * 3 + 3) & ~3;
}

std::vector<std::uint8_t> ConvertToBgr24(const Common::FrameBuffer& frame, RowOrder order)
{
    std::vector<std::uint8_t> image;
    ConvertToBgr24(frame, order, image);
    return image;
}

void ConvertToBgr24(const Common::FrameBuffer& frame, RowOrder order, std::vector<std::uint8_t>& image)
{
    if (frame.width <= 0 || frame.height <= 0)
    {
        image.clear();
        return;
    }
    const std::size_t width = static_cast<std::size_t>(frame.width);
    const std::size_t height = static_cast<std::size_t>(frame.height);
    const std::size_t stride = static_cast<std::size_t>(GetBgr24Stride(frame.width));
    image.resize(stride * height);
    for (std::size_t y = 0; y < height; ++y)
    {
        const std::uint8_t* source = frame.pixels.data() + y * static_cast<std::size_t>(frame.stride);
        const std::size_t row = order == RowOrder::TopDown ? y : height - 1 - y;
        std::uint8_t* target = image.data() + row * stride;
        std::size_t x = 0;
        // Four pixels (16 bytes) become three words (12 bytes): B G R of each, alpha dropped.
        for (; x + 4 <= width; x += 4)
        {
            std::uint32_t p[4];
            std::memcpy(p, source + 4 * x, sizeof(p));
            const std::uint32_t words[3] = {(p[0] & 0x00FFFFFFu) | (p[1] << 24),
                                            ((p[1] >> 8) & 0x0000FFFFu) | (p[2] << 16),
                                            ((p[2] >> 16) & 0x000000FFu) | (p[3] << 8)};
            std::memcpy(target + 3 * x, words, sizeof(words));
        }
        for (; x < width; ++x)
        {
            target[3 * x] = source[4 * x];
            target[3 * x + 1] = source[4 * x + 1];
            target[3 * x + 2] = source[4 * x + 2];
        }
        // The filler at the end of the row is zero.
        std::memset(target + 3 * width, 0, stride - 3 * width);
    }
}

} // namespace TavixCapture
