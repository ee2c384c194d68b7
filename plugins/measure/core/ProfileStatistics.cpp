#include "ProfileStatistics.h"

#include "SecondMoments.h"

#include <algorithm>
#include <utility>

namespace TavixMeasure
{

namespace
{

constexpr double FwhmPerSigma = 2.3548200450309493; // 2 sqrt(2 ln 2)

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

    const double peakSignal = maximum - result.baseline;
    if (peakSignal <= 0.0)
    {
        return result;
    }
    result.fwhm = WidthAbove(values, count, result.baseline, peak, peakSignal * 0.5, step);
    result.widthE2 = WidthAbove(values, count, result.baseline, peak, peakSignal * std::exp(-2.0), step);

    // The moments in samples over the window [first, last].
    struct Moments
    {
        double centre = 0.0;
        double width = 0.0;
    };
    auto window = [&](double centre, double half)
    {
        const double limit = count;
        return std::pair<int, int>{static_cast<int>(std::clamp(std::floor(centre - half), 0.0, limit - 1)),
                                   static_cast<int>(std::clamp(std::ceil(centre + half), 0.0, limit - 1))};
    };
    std::pair<int, int> range{0, count - 1};
    if (std::isfinite(result.fwhm))
    {
        range = window(peak, SecondMoments::HalfWindowInWidths * 4.0 * result.fwhm / step / FwhmPerSigma);
    }
    Moments moments;
    result.converged = SecondMoments::Iterate(
        range, moments, result.iterations,
        [&](const std::pair<int, int>& samples, Moments& m)
        {
            double weight = 0.0;
            double first = 0.0;
            for (int i = samples.first; i <= samples.second; ++i)
            {
                weight += values[i] - result.baseline;
                first += (values[i] - result.baseline) * i;
            }
            if (!(weight > 0.0))
            {
                return false;
            }
            m.centre = first / weight;
            double second = 0.0;
            for (int i = samples.first; i <= samples.second; ++i)
            {
                second += (values[i] - result.baseline) * (i - m.centre) * (i - m.centre);
            }
            if (!(second >= 0.0))
            {
                return false;
            }
            m.width = 4.0 * std::sqrt(second / weight);
            return true;
        },
        [&](const Moments& m) { return window(m.centre, SecondMoments::HalfWindowInWidths * m.width); },
        [](const Moments& a, const Moments& b)
        { return SecondMoments::Settled(a.centre, a.width, b.centre, b.width); });
    if (result.converged)
    {
        result.centroid = moments.centre * step;
        result.width4Sigma = moments.width * step;
    }
    return result;
}

} // namespace TavixMeasure
