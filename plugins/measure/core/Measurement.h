// TavixMeasure::Measurement: everything measured on one frame (the line
// profile with the figures of the chosen channel, the region statistics,
// the saturation mask) and the settings it was measured with. The delivery
// thread fills one, a helper thread completes it (the region's histograms)
// and the UI thread reads another; MeasurementPipeline hands them over.
// Filling allocates only when the line, the region or the frame grows.
#pragma once

#include "LineProfile.h"
#include "ProfileStatistics.h"
#include "RegionStatistics.h"
#include "SaturationMask.h"
#include "StripChart.h"

#include <cstdint>

namespace TavixMeasure
{

// What the strip chart follows.
enum class ChartQuantity
{
    RegionMean = 0, // the region's mean of red, green, blue and luma
    LinePeak = 1,   // the line's largest value of the chosen channel
    LineFwhm = 2,   // the line's FWHM of the chosen channel, in pixels
};

struct MeasureSettings
{
    bool hasLine = false;
    LineSegment line;
    Interpolation interpolation = Interpolation::Bilinear;
    Channel channel = Channel::Luma;
    BaselineMode baselineMode = BaselineMode::Ends;
    double baseline = 0.0; // the user's baseline (line) and background (region)
    bool hasRegion = false;
    Rect region;
    bool showSaturation = false;
    bool markBlack = false;
};

struct Measurement
{
    std::uint64_t sequence = 0; // the frame's number; 0: nothing measured yet
    std::uint64_t skipped = 0;  // frames left unmeasured so far (see MeasurementPipeline)
    double time = 0.0;          // arrival of the frame, seconds
    int frameWidth = 0;
    int frameHeight = 0;
    MeasureSettings settings;
    bool hasLine = false; // the line had at least one pixel of length inside the frame
    LineProfile profile;
    ProfileStatistics lineStatistics;
    bool hasRegion = false; // the region had a pixel inside the frame
    RegionStatistics region;
    bool hasMask = false;
    SaturationMask mask;

    // Measures `image` with `settings`.
    void Measure(const ImageView& image, const MeasureSettings& measureSettings, double arrival,
                 std::uint64_t number);
    // The same in two steps: everything but the region's histograms and the
    // channel figures from them, staging what those need in `staged`...
    void MeasureFrame(const ImageView& image, const MeasureSettings& measureSettings, double arrival,
                      std::uint64_t number, StagedRegion& staged);
    // ...and those from `staged` (on any thread, the frame may be gone).
    void CountHistograms(StagedRegion& staged);
    // The strip chart's point of this measurement (NaN where not measured).
    StripChart::Point ChartPoint(ChartQuantity quantity) const;

private:
    // The line, and the settings, time and number.
    void MeasureLine(const ImageView& image, const MeasureSettings& measureSettings, double arrival,
                     std::uint64_t number);
};

} // namespace TavixMeasure
