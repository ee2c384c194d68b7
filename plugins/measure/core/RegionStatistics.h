// TavixMeasure::RegionStatistics: the figures of a rectangle of the frame.
//
// For red, green, blue and luma: a 256-bin histogram, the mean, standard
// deviation (population), minimum and maximum, and the share of pixels at
// 255 (saturated) and at 0 (black); all exact, from the histogram.
// For the chosen channel, above the background (the user's value, or the
// mean of the region outside the integration window below, or of the
// region's border while the window covers nearly all of it): the intensity
// centroid (x, y) in image coordinates (pixel centres at x + 0.5) and the
// second-moment widths 4 sigma in x and y as ISO 11146 defines them. The
// signal is value minus background with its sign, so that noise on a flat
// background averages out, and the moments are integrated over a window of
// whole pixels three widths around the centroid, clamped to the region and
// iterated (SecondMoments.h). The first window comes from the half-maximum
// widths of the projections of the region on x and y. A spot whose width
// does not settle still has its centroid.
//
// The pass over the pixels (Measure) stages them for the histograms
// (StagedRegion) and sums the spot channel over runs of 8 pixels along each
// row and bands of 8 rows down each column. The moments over a window then
// take whole bands and runs from their running sums and read only the rows
// and columns the window's edges cut through again. The histograms are
// counted from the staged pixels (CountHistograms), on the same thread
// (Compute) or on another one once the frame is gone; rows whose pixels are
// all grey (red = green = blue, luma then equal too) count once, not four
// times.
// It allocates only when the region grows. Any thread; one object is used by
// one thread at a time.
#pragma once

#include "Image.h"
#include "ProfileStatistics.h"
#include "SaturationMask.h"
#include "StagedRegion.h"

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
    bool operator==(const Rect&) const = default;
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
    // The integration window of the result (for a cycle of windows, the
    // smallest rectangle holding them; empty when none).
    Rect window;
    int iterations = 0;     // windows integrated over
    bool converged = false; // false: no widths (the centroid may stand)
};

class RegionStatistics
{
public:
    // Measures `rect` (clipped to the image); an empty clip gives empty figures.
    void Compute(const ImageView& image, const Rect& rect, Channel spotChannel, BaselineMode backgroundMode,
                 double userBackground);
    // The same in two steps: everything but the histograms and the channel
    // figures from them, staging what those need in `staged` (and, given a
    // `mask` begun on `image`, marking the rows the region spans as the pass
    // reads them)...
    void Measure(const ImageView& image, const Rect& rect, Channel spotChannel, BaselineMode backgroundMode,
                 double userBackground, StagedRegion& staged, SaturationMask* mask = nullptr);
    // ...and those from `staged`, as the last Measure left it (the frame
    // may be gone by then).
    void CountHistograms(StagedRegion& staged);

    // The clipped region that was measured.
    const Rect& Region() const { return region_; }
    const Histogram& HistogramOf(Channel channel) const { return histograms_[static_cast<int>(channel)]; }
    const ChannelStatistics& StatisticsOf(Channel channel) const
    {
        return channels_[static_cast<int>(channel)];
    }
    const SpotStatistics& Spot() const { return spot_; }
    Channel SpotChannel() const { return spotChannel_; }

    // The centroid and 4-sigma widths over `window` (image coordinates,
    // clipped to the region) of the `image` last computed, in one step,
    // without iterating; iterations and converged stay unset. The widths
    // are NaN where a variance came out negative, the centroid too where
    // the window holds no signal or its mean lies outside the window.
    SpotStatistics MomentsOver(const ImageView& image, const Rect& window) const;

    // Statistics of a histogram (exposed for the histogram of a profile).
    static ChannelStatistics FromHistogram(const Histogram& histogram);

private:
    static constexpr int Cell = 8; // pixels of a run and rows of a band
    struct Pixels;

    // MomentsOver reading `pixels`, the region's.
    SpotStatistics MomentsOver(const Pixels& pixels, const Rect& window) const;

    double BorderMean(const ImageView& image) const;
    void FindSpot(const Pixels& pixels);
    Rect StartWindow();
    // Relative to the region: the pixels whose centres lie within half
    // sizes `halfX`, `halfY` of the centre, clamped to the region.
    Rect WindowAround(double centreX, double centreY, double halfX, double halfY) const;

    Rect region_;
    Channel spotChannel_ = Channel::Luma;
    BaselineMode backgroundMode_ = BaselineMode::Ends;
    double borderBackground_ = 0.0; // the border's mean, or the user's value
    double regionTotal_ = 0.0;      // the spot channel summed over the region
    std::array<Histogram, ChannelCount> histograms_{};
    std::array<ChannelStatistics, ChannelCount> channels_{};
    SpotStatistics spot_;

    StagedRegion ownStaged_; // Compute's (empty unless used)
    // Running sums of the spot channel down the bands of 8 rows of each
    // column, [band][column], band 0 all zero, and along the runs of 8
    // pixels of each row, [row][run], run 0 zero. A window's column and row
    // sums are then differences of two.
    std::vector<std::uint32_t> bandPrefix_;
    std::vector<std::uint32_t> runPrefix_;
    std::vector<float> projectionX_; // signal summed down each column
    std::vector<float> projectionY_; // signal summed along each row
};

} // namespace TavixMeasure
