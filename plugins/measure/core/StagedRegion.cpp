#include "StagedRegion.h"

#include <cstring>

namespace TavixMeasure
{

void StagedRegion::Reset(int width, int height, bool withLuma)
{
    width_ = width > 0 && height > 0 ? width : 0;
    height_ = width > 0 && height > 0 ? height : 0;
    withLuma_ = withLuma;
    const std::size_t size = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) * 4;
    if (pixels_.size() < size)
    {
        pixels_.resize(size);
    }
    if (greyRows_.size() < static_cast<std::size_t>(height_))
    {
        greyRows_.resize(static_cast<std::size_t>(height_));
    }
}

void StagedRegion::Count(std::array<Histogram, ChannelCount>& histograms)
{
    for (auto& lane : lanes_)
    {
        for (auto& histogram : lane)
        {
            histogram.fill(0);
        }
    }
    std::uint32_t* lanes[Lanes][ChannelCount + 1];
    for (int lane = 0; lane < Lanes; ++lane)
    {
        for (int c = 0; c <= ChannelCount; ++c)
        {
            lanes[lane][c] = lanes_[static_cast<std::size_t>(lane)][static_cast<std::size_t>(c)].data();
        }
    }
    const int width = width_;
    // Pixel x of a row counts in the histograms of lane x % Lanes.
    auto eachPixel = [&](const std::uint8_t* row, auto count)
    {
        int x = 0;
        for (const std::uint8_t* p = row; x + Lanes <= width; x += Lanes, p += 4 * Lanes)
        {
            for (int lane = 0; lane < Lanes; ++lane)
            {
                std::uint32_t word;
                std::memcpy(&word, p + 4 * lane, sizeof(word));
                count(lanes[lane], word);
            }
        }
        for (; x < width; ++x)
        {
            std::uint32_t word;
            std::memcpy(&word, row + static_cast<std::size_t>(x) * 4, sizeof(word));
            count(lanes[0], word);
        }
    };
    // The channels in Channel's order from the staged word (blue, green,
    // red, luma from the lowest byte up).
    auto colours = [](std::uint32_t* const* h, std::uint32_t word)
    {
        ++h[2][word & 0xFF];
        ++h[1][word >> 8 & 0xFF];
        ++h[0][word >> 16 & 0xFF];
    };
    for (int y = 0; y < height_; ++y)
    {
        const std::uint8_t* row = Row(y);
        if (greyRows_[static_cast<std::size_t>(y)] != 0)
        {
            eachPixel(row,
                      [](std::uint32_t* const* h, std::uint32_t word) { ++h[ChannelCount][word & 0xFF]; });
        }
        else if (withLuma_)
        {
            eachPixel(row,
                      [&](std::uint32_t* const* h, std::uint32_t word)
                      {
                          colours(h, word);
                          ++h[3][word >> 24];
                      });
        }
        else
        {
            eachPixel(row, colours);
        }
    }

    const int channels = withLuma_ ? ChannelCount : ChannelCount - 1;
    for (int c = 0; c < ChannelCount; ++c)
    {
        Histogram& histogram = histograms[static_cast<std::size_t>(c)];
        histogram.fill(0);
        if (c >= channels)
        {
            continue;
        }
        for (const auto& lane : lanes_)
        {
            for (std::size_t v = 0; v < 256; ++v)
            {
                histogram[v] += lane[static_cast<std::size_t>(c)][v] + lane[ChannelCount][v];
            }
        }
    }
}

} // namespace TavixMeasure
