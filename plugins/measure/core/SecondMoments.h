// The iteration of the second-moment (4 sigma) width of ISO 11146: the
// centroid and the second moments are integrated over a window three times
// the current width (centroid +- 1.5 x 4 sigma) around the current centroid,
// and again over the window that result gives, until the window no longer
// changes or the centroid and width change by less than 0.1 % of the width
// (a window on a pixel grid may step to and fro between two that agree). Noise far from the beam then no
// longer weighs in with the square of its distance. A window that gives no positive weight or a negative
// variance, or one that still moves after MaxIterations, ends the iteration
// without a result. Any thread.
#pragma once

#include <algorithm>
#include <cmath>

namespace TavixMeasure
{

struct SecondMoments
{
    // The window's half size in widths: 3 widths in all.
    static constexpr double HalfWindowInWidths = 1.5;
    static constexpr int MaxIterations = 30;
    static constexpr double Tolerance = 0.001; // of the width

    // True when centroid and width of two iterations agree within Tolerance.
    static bool Settled(double centroidA, double widthA, double centroidB, double widthB)
    {
        const double limit = Tolerance * std::max(widthA, widthB);
        return std::abs(centroidA - centroidB) <= limit && std::abs(widthA - widthB) <= limit;
    }

    // Integrates over `window` with `integrate(window, result)` (false: no
    // result there) and takes the next window from `next(result)`, until the
    // window stays or `settled(previous, result)`; true with `result` of the
    // last window when it settled. `iterations` counts the windows used.
    template <typename Window, typename Result, typename Integrate, typename Next, typename Settle>
    static bool Iterate(Window& window, Result& result, int& iterations, Integrate integrate, Next next,
                        Settle settled)
    {
        Result previous{};
        for (iterations = 1; iterations <= MaxIterations; ++iterations)
        {
            if (!integrate(window, result))
            {
                return false;
            }
            if (iterations > 1 && settled(previous, result))
            {
                return true;
            }
            const Window following = next(result);
            if (following == window)
            {
                return true;
            }
            window = following;
            previous = result;
        }
        iterations = MaxIterations;
        return false;
    }
};

} // namespace TavixMeasure
