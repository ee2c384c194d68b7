// TavixMeasure::RegionStatistics: the figures of a rectangle of the frame.
//
// For red, green, blue and luma: a 256-bin histogram, the mean, standard
// deviation (population), minimum and maximum, and the share of pixels at
// 255 (saturated) and at 0 (black); all exact, from the histogram.
// For the chosen channel, above the background (the mean of the region's
// border pixels, or the user's value; the signal is value minus background,
// negative parts as 0): the intensity centroid (x, y) in image coordinates
// (pixel centres at x + 0.5) and the second-moment widths 4 sigma in x and y.
//
// Compute() allocates only when the region grows wider than before: one
// pass over the pixels, the histograms and the column sums of the signal.
// Any thread; one object is used by one thread at a time.
#pragma once

#include "Image.h"
#include "ProfileStatistics.h"

#include <array>
#include <cstdint>
#include <vector>

namespace TavixMeasure
{

struct Rect
{
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool IsEmpty() const { return width <= 0 || height <= 0; }
};

// The part of `rect` inside a width x height frame (empty when none is).
Rect ClipRect(const Rect& rect, int width, int height);

struct ChannelStatistics
{
    std::int64_t count = 0;
    int minimum = 0;
    int maximum = 0;
    double mean = ProfileStatistics::NotDefined;
    double standardDeviation = ProfileStatistics::NotDefined;
    double saturatedShare = ProfileStatistics::NotDefined; // 0..1, pixels at 255
    double blackShare = ProfileStatistics::NotDefined;     // 0..1, pixels at 0
};

struct SpotStatistics
{
    double background = ProfileStatistics::NotDefined;
    double centroidX = ProfileStatistics::NotDefined;
    double centroidY = ProfileStatistics::NotDefined;
    double width4SigmaX = ProfileStatistics::NotDefined;
    double width4SigmaY = ProfileStatistics::NotDefined;
};

using Histogram = std::array<std::uint32_t, 256>;

class RegionStatistics
{
public:
    // Measures `rect` (clipped to the image); an empty clip gives empty figures.
    void Compute(const ImageView& image, const Rect& rect, Channel spotChannel, BaselineMode backgroundMode,
                 double userBackground);

    // The clipped region that was measured.
    const Rect& Region() const { return region_; }
    const Histogram& HistogramOf(Channel channel) const { return histograms_[static_cast<int>(channel)]; }
    const ChannelStatistics& StatisticsOf(Channel channel) const
    {
        return channels_[static_cast<int>(channel)];
    }
    const SpotStatistics& Spot() const { return spot_; }
    Channel SpotChannel() const { return spotChannel_; }

    // Statistics of a histogram (exposed for the histogram of a profile).
    static ChannelStatistics FromHistogram(const Histogram& histogram);

private:
    double BorderMean(const ImageView& image) const;

    Rect region_;
    Channel spotChannel_ = Channel::Luma;
    std::array<Histogram, ChannelCount> histograms_{};
    std::array<ChannelStatistics, ChannelCount> channels_{};
    SpotStatistics spot_;
    std::array<Histogram, 2 * ChannelCount> pairHistograms_{}; // even and odd columns
    std::vector<std::uint32_t> columnSums_;                    // signal summed down each column
};

} // namespace TavixMeasure
