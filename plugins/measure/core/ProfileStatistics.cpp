#include "ProfileStatistics.h"

#include <algorithm>

namespace TavixMeasure
{

namespace
{

double Signal(const float* values, double baseline, int i)
{
    return std::max(static_cast<double>(values[i]) - baseline, 0.0);
}

} // namespace

double WidthAbove(const float* values, int count, double baseline, int peakIndex, double level, double step)
{
    // Outermost crossings: from each end inwards, the first sample at or
    // above the level; the crossing lies between it and its outer neighbour.
    int left = 0;
    while (left < peakIndex && Signal(values, baseline, left) < level)
    {
        ++left;
    }
    int right = count - 1;
    while (right > peakIndex && Signal(values, baseline, right) < level)
    {
        --right;
    }
    if (left == 0 || right == count - 1)
    {
        return ProfileStatistics::NotDefined; // does not fall below the level inside the line
    }
    auto crossing = [&](int inside, int outside)
    {
        const double a = Signal(values, baseline, outside);
        const double b = Signal(values, baseline, inside);
        const double fraction = b > a ? (level - a) / (b - a) : 0.0;
        return outside + (inside - outside) * fraction;
    };
    return (crossing(right, right + 1) - crossing(left, left - 1)) * step;
}

ProfileStatistics ProfileStatistics::Compute(const float* values, int count, double step, BaselineMode mode,
                                             double userBaseline)
{
    ProfileStatistics result;
    result.count = count;
    if (values == nullptr || count <= 0)
    {
        return result;
    }
    double sum = 0.0;
    double minimum = values[0];
    double maximum = values[0];
    int peak = 0;
    for (int i = 0; i < count; ++i)
    {
        const double v = values[i];
        sum += v;
        minimum = std::min(minimum, v);
        if (v > maximum)
        {
            maximum = v;
            peak = i;
        }
    }
    const double mean = sum / count;
    double squares = 0.0;
    for (int i = 0; i < count; ++i)
    {
        squares += (values[i] - mean) * (values[i] - mean);
    }
    result.minimum = minimum;
    result.maximum = maximum;
    result.mean = mean;
    result.standardDeviation = std::sqrt(squares / count);
    result.peakPosition = peak * step;

    if (mode == BaselineMode::User)
    {
        result.baseline = userBaseline;
    }
    else
    {
        const int ends = std::max(1, count / 20);
        double endSum = 0.0;
        for (int i = 0; i < ends; ++i)
        {
            endSum += values[i] + values[count - 1 - i];
        }
        result.baseline = endSum / (2.0 * ends);
    }

    double weight = 0.0;
    double first = 0.0;
    for (int i = 0; i < count; ++i)
    {
        const double s = Signal(values, result.baseline, i);
        weight += s;
        first += s * i;
    }
    const double peakSignal = maximum - result.baseline;
    if (weight <= 0.0 || peakSignal <= 0.0)
    {
        return result;
    }
    const double centre = first / weight;
    double second = 0.0;
    for (int i = 0; i < count; ++i)
    {
        second += Signal(values, result.baseline, i) * (i - centre) * (i - centre);
    }
    result.centroid = centre * step;
    result.width4Sigma = 4.0 * std::sqrt(second / weight) * step;
    result.fwhm = WidthAbove(values, count, result.baseline, peak, peakSignal * 0.5, step);
    result.widthE2 = WidthAbove(values, count, result.baseline, peak, peakSignal * std::exp(-2.0), step);
    return result;
}

} // namespace TavixMeasure
