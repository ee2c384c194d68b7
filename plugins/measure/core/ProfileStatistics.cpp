#include "ProfileStatistics.h"

#include "SecondMoments.h"

#include <algorithm>
#include <utility>

namespace TavixMeasure
{

namespace
{

constexpr double FwhmPerSigma = 2.3548200450309493; // 2 sqrt(2 ln 2)

// Below this share of the level, the sample outside a crossing is taken as
// the foot of a steep edge (or noise) rather than the flank of a peak.
constexpr double SteepEdgeShare = 0.05;

double Signal(const float* values, double baseline, int i)
{
    return std::max(static_cast<double>(values[i]) - baseline, 0.0);
}

// The crossing of `level` between sample `inside` (at or above it) and its
// neighbour `outside` (below it), as a fraction 0..1 of the way outwards.
// A parabola through the logarithms of the signal at `outside`, `inside`
// and the next sample inwards is exact for a Gaussian wherever its samples
// fall; where one of them has no signal or the outer one lies below a
// twentieth of the level (a steep edge), the signal is interpolated
// linearly between the two.
double CrossingFraction(const float* values, int count, double baseline, int inside, int outside,
                        double level)
{
    const double in = Signal(values, baseline, inside);
    const double out = Signal(values, baseline, outside);
    const int inwards = inside - (outside - inside);
    const double linear = in > out ? (in - level) / (in - out) : 0.0;
    if (inwards < 0 || inwards >= count || !(out >= SteepEdgeShare * level) || !(level > 0.0))
    {
        return linear;
    }
    const double further = Signal(values, baseline, inwards);
    if (!(further > 0.0) || !(in > 0.0))
    {
        return linear;
    }
    // p(u) = l0 + b u + a u^2 with u = 0 inside, 1 outside, -1 inwards.
    const double l0 = std::log(in);
    const double l1 = std::log(out);
    const double lm = std::log(further);
    const double a = (l1 + lm - 2.0 * l0) / 2.0;
    const double b = (l1 - lm) / 2.0;
    const double c = l0 - std::log(level); // >= 0; p(1) - log(level) < 0
    double u = linear;
    if (std::abs(a) < 1e-12 * (std::abs(b) + 1.0))
    {
        u = b < 0.0 ? c / -b : linear;
    }
    else
    {
        // One root of a u^2 + b u + c lies in [0, 1]: p(0) >= level > p(1).
        const double discriminant = b * b - 4.0 * a * c;
        if (discriminant < 0.0)
        {
            return linear;
        }
        const double q = -0.5 * (b + std::copysign(std::sqrt(discriminant), b));
        const double r1 = q / a;
        const double r2 = q != 0.0 ? c / q : r1;
        u = r1 >= 0.0 && r1 <= 1.0 ? r1 : r2;
    }
    return u >= 0.0 && u <= 1.0 ? u : linear;
}

} // namespace

double PeakSignal(const float* values, int count, double baseline, int peakIndex)
{
    const double peak = Signal(values, baseline, peakIndex);
    if (peakIndex < 2 || peakIndex >= count - 2 || !(peak > 0.0))
    {
        return peak;
    }
    // The logarithms of the five samples around the peak: a Gaussian's are
    // a parabola open downwards, curved alike at each of the middle three.
    // A flat top (a neighbour as large, and beyond it no curvature) keeps
    // its largest sample.
    double logs[5];
    for (int i = 0; i < 5; ++i)
    {
        const double signal = Signal(values, baseline, peakIndex - 2 + i);
        if (!(signal > 0.0))
        {
            return peak;
        }
        logs[i] = std::log(signal);
    }
    for (int i = 1; i <= 3; ++i)
    {
        if (!(logs[i - 1] + logs[i + 1] - 2.0 * logs[i] < 0.0))
        {
            return peak;
        }
    }
    // The top of the parabola through the middle three, within half a
    // sample of the largest.
    const double curvature = logs[1] + logs[3] - 2.0 * logs[2];
    const double slope = (logs[3] - logs[1]) / 2.0;
    return std::exp(logs[2] - slope * slope / (2.0 * curvature));
}

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
    const double rightEdge = right + CrossingFraction(values, count, baseline, right, right + 1, level);
    const double leftEdge = left - CrossingFraction(values, count, baseline, left, left - 1, level);
    return (rightEdge - leftEdge) * step;
}

ProfileStatistics ProfileStatistics::Compute(const float* values, int count, double step, BaselineMode mode,
                                             double userBaseline, double origin)
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
    result.peakPosition = origin + peak * step;

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

    if (maximum - result.baseline <= 0.0)
    {
        return result;
    }
    const double peakSignal = PeakSignal(values, count, result.baseline, peak);
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
        std::pair<int, int> samples;
        SecondMoments::Span(centre - half, centre + half, count, 0.0, samples.first, samples.second);
        return samples;
    };
    std::pair<int, int> range{0, count - 1};
    if (std::isfinite(result.fwhm))
    {
        range = window(peak, SecondMoments::HalfWindowInWidths * 4.0 * result.fwhm / step / FwhmPerSigma);
    }
    Moments moments;
    const SecondMoments::Outcome outcome = SecondMoments::Iterate(
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
                return SecondMoments::Integral::None;
            }
            m.centre = first / weight;
            if (!(m.centre >= samples.first && m.centre <= samples.second))
            {
                return SecondMoments::Integral::None; // signal nearly cancelling out
            }
            double second = 0.0;
            for (int i = samples.first; i <= samples.second; ++i)
            {
                second += (values[i] - result.baseline) * (i - m.centre) * (i - m.centre);
            }
            if (!(second >= 0.0))
            {
                return SecondMoments::Integral::Centroid;
            }
            m.width = 4.0 * std::sqrt(second / weight);
            return SecondMoments::Integral::Complete;
        },
        [&](const Moments& m) { return window(m.centre, SecondMoments::HalfWindowInWidths * m.width); },
        [](const Moments& a, const Moments& b)
        { return SecondMoments::Settled(a.centre, a.width, b.centre, b.width); },
        [](const Moments* cycle, int n)
        {
            Moments mean;
            for (int i = 0; i < n; ++i)
            {
                mean.centre += cycle[i].centre / n;
                mean.width += cycle[i].width / n;
            }
            return mean;
        });
    result.converged = outcome == SecondMoments::Outcome::Settled;
    if (outcome != SecondMoments::Outcome::NoResult)
    {
        result.centroid = origin + moments.centre * step;
    }
    if (result.converged)
    {
        result.width4Sigma = moments.width * step;
    }
    return result;
}

} // namespace TavixMeasure
