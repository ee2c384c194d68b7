// The virtual camera's test pattern, shared by the camera, the capture probe
// and the tests (header only, pure functions, any thread).
//
// Layout of a frame of width W and height H, in image (top-down) rows:
// - the counter band, rows [0, H/16): 34 blocks of W/34 pixels; block 0 is
//   white, block 1 black (the marker), blocks 2..33 are the bits 31..0 of the
//   frame counter, white for 1 and black for 0; the rest of the band is black.
// - the footer band, rows [H - H/16, H): left half black, right half white.
//   An image turned upside down shows the footer where the marker belongs, so
//   it does not decode.
// - between them eight colour bars (white, yellow, cyan, green, magenta, red,
//   blue, black) that move 8 pixels to the left per frame.
// Big black and white blocks survive any colour conversion and chroma
// subsampling, so the counter reads back from converted ARGB frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace VirtualCamera
{

class TestPattern
{
public:
    static constexpr int BlockCount = 34;
    static constexpr int CounterBits = 32;
    static constexpr std::uint32_t White = 0xFFFFFFFFu;
    static constexpr std::uint32_t Black = 0xFF000000u;

    static int BlockWidth(int width) { return width / BlockCount; }
    static int BandHeight(int height) { return height / 16; }
    // Horizontal shift of the colour bars in frame `counter`; always even.
    static int BarShift(int width, std::uint32_t counter)
    {
        return width <= 0 ? 0 : static_cast<int>((static_cast<std::uint64_t>(counter) * 8) % width) & ~1;
    }
    static std::uint32_t BarColour(int index)
    {
        static constexpr std::uint32_t bars[8] = {0xFFFFFFFFu, 0xFFFFFF00u, 0xFF00FFFFu, 0xFF00FF00u,
                                                  0xFFFF00FFu, 0xFFFF0000u, 0xFF0000FFu, 0xFF000000u};
        return bars[index & 7];
    }
    // Colour of the bar at `x` of a row that starts `shift` pixels into the bars.
    static std::uint32_t BarPixel(int x, int shift, int width)
    {
        const int position = (x + shift) % width;
        return BarColour(position * 8 / width);
    }
    // Colour (0xAARRGGBB) of the counter band at column x.
    static std::uint32_t CounterPixel(int x, int width, std::uint32_t counter)
    {
        const int block = BlockWidth(width) > 0 ? x / BlockWidth(width) : BlockCount;
        if (block == 0)
        {
            return White;
        }
        if (block == 1 || block >= BlockCount)
        {
            return Black;
        }
        const int bit = CounterBits - 1 - (block - 2);
        return ((counter >> bit) & 1u) != 0 ? White : Black;
    }
    static std::uint32_t FooterPixel(int x, int width) { return x < width / 2 ? Black : White; }

    // The pixel at image position (x, y) of frame `counter`.
    static std::uint32_t Pixel(int x, int y, int width, int height, std::uint32_t counter)
    {
        if (y < BandHeight(height))
        {
            return CounterPixel(x, width, counter);
        }
        if (y >= height - BandHeight(height))
        {
            return FooterPixel(x, width);
        }
        return BarPixel(x, BarShift(width, counter), width);
    }

    // Reads the counter back from a top-down image in memory order blue,
    // green, red, alpha. Returns nothing when the marker or the footer is not
    // where it belongs (wrong orientation, wrong size, not the pattern).
    static std::optional<std::uint32_t> Decode(const std::uint8_t* pixels, int width, int height, int stride)
    {
        const int blockWidth = BlockWidth(width);
        const int band = BandHeight(height);
        if (blockWidth < 2 || band < 2 || pixels == nullptr)
        {
            return std::nullopt;
        }
        const auto bright = [&](int x, int y)
        {
            const std::uint8_t* p = pixels + static_cast<std::ptrdiff_t>(y) * stride + x * 4;
            return (p[0] + p[1] + p[2]) > 3 * 128;
        };
        const int row = band / 2;
        const auto centre = [&](int block) { return block * blockWidth + blockWidth / 2; };
        const int footerRow = height - 1 - band / 2;
        if (!bright(centre(0), row) || bright(centre(1), row) || bright(width / 4, footerRow) ||
            !bright(width * 3 / 4, footerRow))
        {
            return std::nullopt;
        }
        std::uint32_t counter = 0;
        for (int block = 2; block < BlockCount; ++block)
        {
            counter = (counter << 1) | (bright(centre(block), row) ? 1u : 0u);
        }
        return counter;
    }
};

} // namespace VirtualCamera
