// Frames of known content for the measurement tests: 4 bytes a pixel in
// the order blue, green, red, alpha, filled by a function of the pixel.
#pragma once

#include "Image.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

namespace TavixMeasure::Testing
{

struct SyntheticFrame
{
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    SyntheticFrame(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h * 4, 0)
    {
        for (std::size_t i = 3; i < pixels.size(); i += 4)
        {
            pixels[i] = 255;
        }
    }

    void Set(int x, int y, int red, int green, int blue)
    {
        std::uint8_t* p = &pixels[(static_cast<std::size_t>(y) * width + x) * 4];
        p[0] = static_cast<std::uint8_t>(blue);
        p[1] = static_cast<std::uint8_t>(green);
        p[2] = static_cast<std::uint8_t>(red);
    }

    // The same value in red, green and blue (so luma equals it too).
    void FillGrey(const std::function<double(int x, int y)>& value)
    {
        for (int y = 0; y < height; ++y)
        {
            for (int x = 0; x < width; ++x)
            {
                const int v = static_cast<int>(std::lround(std::clamp(value(x, y), 0.0, 255.0)));
                Set(x, y, v, v, v);
            }
        }
    }

    ImageView View() const { return {pixels.data(), width, height, width * 4}; }
};

} // namespace TavixMeasure::Testing
