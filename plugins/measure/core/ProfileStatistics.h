// TavixMeasure::ProfileStatistics: the figures of one channel of a line
// profile. Positions and widths are in pixels along the line from its start
// (sample i lies at origin + i * step).
//
// - minimum, maximum, mean and standard deviation (population) of the samples;
// - peak: the position of the first largest sample;
// - baseline: the background, the mean of the first and last 5 % of the
//   samples (at least one at each end), or a value the user gives;
// - the signal is the profile minus the baseline, negative parts as 0 (for
//   the widths at a level);
// - centroid and 4-sigma width: the signal-weighted mean position and four
//   times the square root of the second moment about it, as ISO 11146
//   defines them: the signal keeps its sign there, so that noise on the
//   baseline averages out, and it is integrated over a window of three
//   widths around the centroid, iterated until it settles (SecondMoments.h),
//   starting from the peak and the FWHM (or the whole line without one);
//   the centroid stands even when the width does not settle;
// - FWHM and 1/e^2 width: the distance between the outermost crossings, on
//   either side of the peak, of half and of e^-2 of the peak signal. The
//   peak signal is the top of the parabola through the logarithms of the
//   largest sample and its neighbours (where the five around it curve like
//   a Gaussian's, else the largest sample), and each crossing lies on the
//   parabola through the logarithms of the two samples around it and the
//   next one inwards: both are exact for a sampled Gaussian wherever the
//   samples fall, where straight lines between samples read a small beam
//   up to 10 % wide. A flat top keeps its largest sample as the peak, and
//   on an edge steeper than the sampling (the outer sample below a
//   twentieth of the level, or without signal) the crossing is interpolated
//   linearly between the two samples.
// A figure that the profile does not define (no signal above the baseline,
// a crossing beyond the line's ends) is NaN. Any thread.
#pragma once

#include <cmath>
#include <limits>

namespace TavixMeasure
{

enum class BaselineMode
{
    Ends = 0, // from the profile's (or the region's border) own ends
    User = 1, // the value the user entered
};

struct ProfileStatistics
{
    static constexpr double NotDefined = std::numeric_limits<double>::quiet_NaN();

    int count = 0;
    double minimum = NotDefined;
    double maximum = NotDefined;
    double mean = NotDefined;
    double standardDeviation = NotDefined;
    double peakPosition = NotDefined;
    double baseline = NotDefined;
    double centroid = NotDefined;
    double fwhm = NotDefined;
    double widthE2 = NotDefined;
    double width4Sigma = NotDefined;
    int iterations = 0;     // windows the 4-sigma width was integrated over
    bool converged = false; // false: no 4-sigma width (the centroid may stand)

    // `values`: `count` samples `step` pixels apart, the first `origin`
    // pixels from the line's start.
    static ProfileStatistics Compute(const float* values, int count, double step, BaselineMode mode,
                                     double userBaseline, double origin = 0.0);
};

// The width of the part of `values` (with the baseline already taken away)
// that lies above `level`, measured between the outermost crossings around
// `peakIndex`; NaN when the signal does not fall below `level` on both sides.
double WidthAbove(const float* values, int count, double baseline, int peakIndex, double level, double step);

// The signal at the top of the peak around sample `peakIndex` (see above).
double PeakSignal(const float* values, int count, double baseline, int peakIndex);

} // namespace TavixMeasure
