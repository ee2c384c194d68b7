// Benchmark of the measurement plug-in's work per frame at 1920x1080: the
// measurement its Process makes (a full-width line, bilinear, and a region
// of the whole frame: histograms, statistics and the iterated spot
// moments), the same with the saturation mask, the same on a colour frame
// (a grey frame counts each pixel once, a colour one three or four times),
// and beside them the YUY2 conversion of the same frame. Each figure is the median of the rounds of the CPU
// time of this thread (the machine is shared: wall time would count other programs), each timed run after one
// untimed run of the same work. The last line:
//   measure 1920x1080: T ms (P% of 60 fps interval)
// Usage: measure_bench [rounds]
#include "Common/capture/convert/ConvertToBgra.h"

#include "Measurement.h"

#include <algorithm>
#include <ctime>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

using namespace TavixMeasure;

namespace
{

constexpr int Width = 1920;
constexpr int Height = 1080;

double MedianMilliseconds(int rounds, const std::function<void()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i)
    {
        work();
        timespec start{};
        timespec end{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
        work();
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &end);
        times.push_back((end.tv_sec - start.tv_sec) * 1e3 + (end.tv_nsec - start.tv_nsec) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;

    // A YUY2 frame of a bright spot on a noisy background, grey (as from a
    // monochrome camera) and with colour.
    std::vector<std::uint8_t> yuy2(static_cast<std::size_t>(Width) * Height * 2);
    std::vector<std::uint8_t> colourYuy2(yuy2.size());
    unsigned seed = 12345;
    for (int y = 0; y < Height; ++y)
    {
        for (int x = 0; x < Width; ++x)
        {
            seed = seed * 1103515245u + 12345u;
            const double dx = (x - 900.0) / 120.0;
            const double dy = (y - 500.0) / 80.0;
            const double value = 16.0 + 230.0 * std::exp(-0.5 * (dx * dx + dy * dy)) + (seed >> 28);
            std::uint8_t* group = &yuy2[(static_cast<std::size_t>(y) * Width + x) * 2];
            group[0] = static_cast<std::uint8_t>(std::min(value, 255.0));
            group[1] = 128;
            std::uint8_t* colour = &colourYuy2[(static_cast<std::size_t>(y) * Width + x) * 2];
            colour[0] = group[0];
            colour[1] =
                static_cast<std::uint8_t>(128 + (x % 2 == 0 ? 40 : -30) * std::sin(x / 97.0 + y / 61.0));
        }
    }
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(Width) * Height * 4);
    const Common::Convert::BgraImage destination{frame.data(), Width, Height, Width * 4};
    auto convert = [&]
    {
        Common::Convert::ConvertToBgra(Common::Convert::SourceLayout::YUY2, yuy2.data(), Width, Height,
                                       Width * 2, destination);
    };
    convert();

    const ImageView image{frame.data(), Width, Height, Width * 4};
    MeasureSettings settings;
    settings.hasLine = true;
    settings.line = {0.0, 500.5, Width, 500.5};
    settings.interpolation = Interpolation::Bilinear;
    settings.hasRegion = true;
    settings.region = {0, 0, Width, Height};
    settings.channel = Channel::Luma;
    Measurement measurement;
    std::uint64_t sequence = 0;
    auto measure = [&] { measurement.Measure(image, settings, 0.0, ++sequence); };

    const double conversion = MedianMilliseconds(rounds, convert);
    const double plain = MedianMilliseconds(rounds, measure);
    settings.showSaturation = true;
    settings.markBlack = true;
    const double withMask = MedianMilliseconds(rounds, measure);
    settings.showSaturation = false;
    settings.channel = Channel::Green;
    const double green = MedianMilliseconds(rounds, measure);

    std::vector<std::uint8_t> colourFrame(frame.size());
    Common::Convert::ConvertToBgra(Common::Convert::SourceLayout::YUY2, colourYuy2.data(), Width, Height,
                                   Width * 2, {colourFrame.data(), Width, Height, Width * 4});
    const ImageView colourImage{colourFrame.data(), Width, Height, Width * 4};
    auto measureColour = [&] { measurement.Measure(colourImage, settings, 0.0, ++sequence); };
    const double colourGreen = MedianMilliseconds(rounds, measureColour);
    settings.channel = Channel::Luma;
    const double colourLuma = MedianMilliseconds(rounds, measureColour);
    const int colourWindows = measurement.region.Spot().iterations;
    const bool colourConverged = measurement.region.Spot().converged;
    measure(); // the grey frame's figures below

    std::printf("spot centre %.2f, %.2f  4-sigma %.1f x %.1f px (%d windows)  line FWHM %.2f px\n",
                measurement.region.Spot().centroidX, measurement.region.Spot().centroidY,
                measurement.region.Spot().width4SigmaX, measurement.region.Spot().width4SigmaY,
                measurement.region.Spot().iterations, measurement.lineStatistics.fwhm);
    std::printf("YUY2 conversion 1920x1080: %.3f ms\n", conversion);
    std::printf("measure, spot in green: %.3f ms\n", green);
    std::printf("measure, colour frame, spot in green: %.3f ms\n", colourGreen);
    std::printf("measure, colour frame, spot in luma: %.3f ms (4-sigma: %d windows, %s)\n", colourLuma,
                colourWindows, colourConverged ? "settled" : "not settled");
    std::printf("measure with saturation mask: %.3f ms\n", withMask);
    std::printf("measure 1920x1080: %.3f ms (%.1f%% of 60 fps interval)\n", plain,
                plain / (1000.0 / 60.0) * 100.0);
    return 0;
}
