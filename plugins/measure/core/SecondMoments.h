// The iteration of the second-moment (4 sigma) width of ISO 11146: the
// centroid and the second moments are integrated over a window three times
// the current width (centroid +- 1.5 x 4 sigma) around the current centroid,
// and again over the window that result gives. The windows are whole pixels
// (or samples): those whose centres lie inside the exact window, so that a
// window's edges are the pixel edges nearest to the exact ones.
//
// The iteration ends
// - settled, when a window comes again: the window that stays (a fixed
//   point), or a cycle of windows one pixel apart, which noise and the pixel
//   grid make common; the result is then the mean of the results over the
//   cycle, the width between the two (or more) windows the grid allows;
// - settled, when centroid and width of two iterations agree within 0.1 %
//   of the width;
// - unsettled after MaxIterations windows: the last centroid stands, the
//   width does not;
// - unsettled when a window gives a centroid (positive weight) but a
//   negative variance, which noise can do to a small spot: its centroid
//   stands;
// - without a result when the first window gives no positive weight (or a
//   mean outside the window); a later window that does so ends it
//   unsettled with the centroid before it.
// Any thread; nothing is allocated.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>

namespace TavixMeasure
{

struct SecondMoments
{
    // The window's half size in widths: 3 widths in all.
    static constexpr double HalfWindowInWidths = 1.5;
    static constexpr int MaxIterations = 30;
    static constexpr double Tolerance = 0.001; // of the width

    enum class Outcome
    {
        NoResult,  // no centroid, no width
        Unsettled, // a centroid, no width
        Settled,   // centroid and width
    };

    // What one window gave.
    enum class Integral
    {
        None,     // no positive weight
        Centroid, // a centroid, but a negative variance
        Complete, // centroid and width
    };

    // True when centroid and width of two iterations agree within Tolerance.
    static bool Settled(double centroidA, double widthA, double centroidB, double widthB)
    {
        const double limit = Tolerance * std::max(widthA, widthB);
        return std::abs(centroidA - centroidB) <= limit && std::abs(widthA - widthB) <= limit;
    }

    // The first and the last whole pixel (sample) whose centre (index + 0.5
    // for pixels, index for samples: `centre`) lies within `low`..`high`,
    // clamped to 0..count-1 and at least one.
    static void Span(double low, double high, int count, double centre, int& first, int& last)
    {
        const double limit = 1 << 30; // keeps huge or infinite edges representable
        const double top = count - 1;
        first = static_cast<int>(std::clamp(std::ceil(std::clamp(low - centre, -limit, limit)), 0.0, top));
        last = static_cast<int>(std::clamp(std::floor(std::clamp(high - centre, -limit, limit)), 0.0, top));
        if (last < first)
        {
            // Narrower than a pixel: the one the exact window's middle lies in.
            const double middle = std::floor(std::clamp((low + high) / 2.0 - centre + 0.5, -limit, limit));
            first = last = static_cast<int>(std::clamp(middle, 0.0, top));
        }
    }

    // Integrates over `window` with `integrate(window, result)` (giving an
    // Integral), takes the next window from `next(result)` and goes on
    // until one of the ends above. On a cycle `mean(results, count)` makes
    // the result of the cycle's `count` results. `iterations` counts the
    // windows integrated over; `result` is the one reported (for Unsettled
    // only its centroid counts).
    template <typename Window, typename Result, typename Integrate, typename Next, typename Settle,
              typename Mean>
    static Outcome Iterate(const Window& start, Result& result, int& iterations, Integrate integrate,
                           Next next, Settle settled, Mean mean)
    {
        std::array<Window, MaxIterations> windows{};
        std::array<Result, MaxIterations> results{};
        windows[0] = start;
        iterations = 0;
        for (int n = 0; n < MaxIterations; ++n)
        {
            const Integral integral = integrate(windows[n], results[n]);
            if (integral == Integral::Centroid)
            {
                iterations = n + 1;
                result = results[n];
                return Outcome::Unsettled;
            }
            if (integral == Integral::None)
            {
                if (n == 0)
                {
                    return Outcome::NoResult;
                }
                result = results[n - 1];
                return Outcome::Unsettled;
            }
            iterations = n + 1;
            if (n > 0 && settled(results[n - 1], results[n]))
            {
                result = results[n];
                return Outcome::Settled;
            }
            const Window following = next(results[n]);
            for (int j = n; j >= 0; --j)
            {
                if (windows[j] == following)
                {
                    result = mean(results.data() + j, n - j + 1);
                    return Outcome::Settled;
                }
            }
            if (n + 1 < MaxIterations)
            {
                windows[n + 1] = following;
            }
        }
        result = results[MaxIterations - 1];
        return Outcome::Unsettled;
    }
};

} // namespace TavixMeasure
