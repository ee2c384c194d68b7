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
    image.resize(static_cast<std::size_t>(GetBgr24Stride(frame.width)) *
                 static_cast<std::size_t>(frame.height));
    ConvertToBgr24(frame, order, image.data());
}

void ConvertToBgr24(const Common::FrameBuffer& frame, RowOrder order, std::uint8_t* image)
{
    if (frame.width <= 0 || frame.height <= 0)
    {
        return;
    }
    const std::size_t width = static_cast<std::size_t>(frame.width);
    const std::size_t height = static_cast<std::size_t>(frame.height);
    const std::size_t stride = static_cast<std::size_t>(GetBgr24Stride(frame.width));
    for (std::size_t y = 0; y < height; ++y)
    {
        const std::uint8_t* source = frame.pixels.data() + y * static_cast<std::size_t>(frame.stride);
        const std::size_t row = order == RowOrder::TopDown ? y : height - 1 - y;
        std::uint8_t* target = image + row * stride;
        std::size_t x = 0;
        // Eight pixels (32 bytes) become three 64-bit words (24 bytes): B G R
        // of each, alpha dropped; two pixels make six bytes of a word.
        for (; x + 8 <= width; x += 8)
        {
            std::uint64_t p[4];
            std::memcpy(p, source + 4 * x, sizeof(p));
            std::uint64_t pairs[4];
            for (int i = 0; i < 4; ++i)
            {
                pairs[i] = (p[i] & 0x0000000000FFFFFFull) | ((p[i] >> 8) & 0x0000FFFFFF000000ull);
            }
            const std::uint64_t words[3] = {pairs[0] | (pairs[1] << 48), (pairs[1] >> 16) | (pairs[2] << 32),
                                            (pairs[2] >> 32) | (pairs[3] << 16)};
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
