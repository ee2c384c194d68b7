// TavixMeasure::StagedRegion: the pixels of a region as its histograms need
// them, kept after the frame is gone: four bytes a pixel, blue, green, red
// and luma (in place of alpha), rows one after the other, and for each row
// whether it is grey (red = green = blue, luma then equal too: it counts
// once for all four histograms).
//
// RegionStatistics stages the rows during its pass over the frame (the
// delivery thread), so that counting the histograms, the costliest part of
// a region's figures, can be left to another thread once the frame is
// gone. Staging allocates only when the region grows.
// Any thread; one thread at a time (the owner hands it over).
#pragma once

#include "Image.h"

#include <array>
#include <cstdint>
#include <vector>

namespace TavixMeasure
{

using Histogram = std::array<std::uint32_t, 256>;

class StagedRegion
{
public:
    // Makes room for a width x height region; `withLuma`: luma is counted.
    void Reset(int width, int height, bool withLuma);

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool IsEmpty() const { return width_ <= 0 || height_ <= 0; }

    // Where row y goes (Width() words of blue, green, red, luma).
    std::uint8_t* Row(int y)
    {
        return pixels_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) * 4;
    }
    void SetGreyRow(int y, bool grey) { greyRows_[static_cast<std::size_t>(y)] = grey ? 1 : 0; }

    // The histograms of red, green, blue and (when staged with it) luma, in
    // the order of Channel; luma's is all zero otherwise.
    void Count(std::array<Histogram, ChannelCount>& histograms);

private:
    std::vector<std::uint8_t> pixels_;
    std::vector<std::uint8_t> greyRows_;
    int width_ = 0;
    int height_ = 0;
    bool withLuma_ = false;

    // Neighbouring pixels often share a value, and one counter incremented
    // twice in a row waits for its own store: pixel x counts in lane x % 4,
    // the lanes are added up after the count. Index ChannelCount of a lane is the grey
    // histogram of grey rows. Each is padded by 64 bytes: counters 4 KiB
    // apart would look to the processor as if one waited for the other's
    // store.
    static constexpr int Lanes = 4;
    using PaddedHistogram = std::array<std::uint32_t, 256 + 16>;
    std::array<std::array<PaddedHistogram, ChannelCount + 1>, Lanes> lanes_{};
};

} // namespace TavixMeasure
