// Benchmark of the measurement plug-in's work per frame: the measurement
// its Process makes (a full-width line, bilinear, and a region of the whole
// frame: histograms, statistics and the iterated spot moments), on a grey
// frame (as from a monochrome camera: each pixel counts once) and on a
// colour one (three counts a pixel, four with luma chosen), with and
// without the saturation mask, at 1920x1080 and 3840x2160, and beside them
// the YUY2 conversion of the 1080p frame. The plug-in measures on the
// delivery thread and counts the region's histograms on a helper thread
// (MeasurementPipeline): both parts are timed, and the whole on one thread.
// Each figure is the median of the rounds of the CPU time of this thread
// (the machine is shared: wall time would count other programs), each
// timed run after one untimed run of the same work. The last two lines:
//   measure 3840x2160: T ms (P% of 30 fps interval)
//   measure 1920x1080: T ms (P% of 60 fps interval)
// both the delivery thread's time for the colour frame with luma chosen,
// without the mask.
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

// A YUY2 frame of a bright spot on a noisy background, grey (as from a
// monochrome camera) or with colour, converted to BGRA.
std::vector<std::uint8_t> MakeFrame(int width, int height, bool colour,
                                    std::vector<std::uint8_t>* yuy2Out = nullptr)
{
    std::vector<std::uint8_t> yuy2(static_cast<std::size_t>(width) * height * 2);
    unsigned seed = 12345;
    const double scale = width / 1920.0;
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            seed = seed * 1103515245u + 12345u;
            const double dx = (x - 900.0 * scale) / (120.0 * scale);
            const double dy = (y - 500.0 * scale) / (80.0 * scale);
            const double value = 16.0 + 230.0 * std::exp(-0.5 * (dx * dx + dy * dy)) + (seed >> 28);
            std::uint8_t* group = &yuy2[(static_cast<std::size_t>(y) * width + x) * 2];
            group[0] = static_cast<std::uint8_t>(std::min(value, 255.0));
            group[1] =
                colour
                    ? static_cast<std::uint8_t>(128 + (x % 2 == 0 ? 40 : -30) *
                                                          std::sin(x / (97.0 * scale) + y / (61.0 * scale)))
                    : 128;
        }
    }
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(width) * height * 4);
    Common::Convert::ConvertToBgra(Common::Convert::SourceLayout::YUY2, yuy2.data(), width, height, width * 2,
                                   {frame.data(), width, height, width * 4});
    if (yuy2Out != nullptr)
    {
        *yuy2Out = std::move(yuy2);
    }
    return frame;
}

struct Times
{
    double delivery = 0.0; // the delivery thread's part
    double helper = 0.0;   // the helper's: the region's histograms
    double whole = 0.0;    // both on one thread
};

// The full-frame region and a full-width line through the spot.
Times MeasureMilliseconds(int rounds, const std::vector<std::uint8_t>& frame, int width, int height,
                          Channel channel, bool mask, Measurement& measurement)
{
    const ImageView image{frame.data(), width, height, width * 4};
    MeasureSettings settings;
    settings.hasLine = true;
    settings.line = {0.0, 500.5 * width / 1920.0, static_cast<double>(width), 500.5 * width / 1920.0};
    settings.interpolation = Interpolation::Bilinear;
    settings.hasRegion = true;
    settings.region = {0, 0, width, height};
    settings.channel = channel;
    settings.showSaturation = mask;
    settings.markBlack = mask;
    std::uint64_t sequence = 0;
    StagedRegion staged;
    Times times;
    times.delivery = MedianMilliseconds(
        rounds, [&] { measurement.MeasureFrame(image, settings, 0.0, ++sequence, staged); });
    times.helper = MedianMilliseconds(rounds, [&] { measurement.CountHistograms(staged); });
    times.whole = MedianMilliseconds(rounds, [&] { measurement.Measure(image, settings, 0.0, ++sequence); });
    return times;
}

void Print(const char* what, const Times& times)
{
    std::printf("measure %s: %.3f ms on the delivery thread, %.3f ms on the helper (%.3f ms on one thread)\n",
                what, times.delivery, times.helper, times.whole);
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    constexpr int Width = 1920;
    constexpr int Height = 1080;

    std::vector<std::uint8_t> yuy2;
    const std::vector<std::uint8_t> grey = MakeFrame(Width, Height, false, &yuy2);
    const std::vector<std::uint8_t> colour = MakeFrame(Width, Height, true);
    std::vector<std::uint8_t> converted(grey.size());
    const double conversion = MedianMilliseconds(
        rounds,
        [&]
        {
            Common::Convert::ConvertToBgra(Common::Convert::SourceLayout::YUY2, yuy2.data(), Width, Height,
                                           Width * 2, {converted.data(), Width, Height, Width * 4});
        });

    Measurement measurement;
    const Times greyLuma =
        MeasureMilliseconds(rounds, grey, Width, Height, Channel::Luma, false, measurement);
    const SpotStatistics greySpot = measurement.region.Spot();
    const double greyFwhm = measurement.lineStatistics.fwhm;
    const Times greyMask = MeasureMilliseconds(rounds, grey, Width, Height, Channel::Luma, true, measurement);
    const Times colourGreen =
        MeasureMilliseconds(rounds, colour, Width, Height, Channel::Green, false, measurement);
    const Times colourMask =
        MeasureMilliseconds(rounds, colour, Width, Height, Channel::Luma, true, measurement);
    const Times colourLuma =
        MeasureMilliseconds(rounds, colour, Width, Height, Channel::Luma, false, measurement);
    const SpotStatistics colourSpot = measurement.region.Spot();

    const std::vector<std::uint8_t> large = MakeFrame(2 * Width, 2 * Height, true);
    Measurement largeMeasurement;
    const int largeRounds = std::max(1, rounds / 4);
    const Times largeMask =
        MeasureMilliseconds(largeRounds, large, 2 * Width, 2 * Height, Channel::Luma, true, largeMeasurement);
    const Times largeLuma = MeasureMilliseconds(largeRounds, large, 2 * Width, 2 * Height, Channel::Luma,
                                                false, largeMeasurement);

    std::printf(
        "grey frame: spot centre %.2f, %.2f  4-sigma %.1f x %.1f px (%d windows)  line FWHM %.2f px\n",
        greySpot.centroidX, greySpot.centroidY, greySpot.width4SigmaX, greySpot.width4SigmaY,
        greySpot.iterations, greyFwhm);
    std::printf("colour frame: 4-sigma %.1f x %.1f px (%d windows, %s)\n", colourSpot.width4SigmaX,
                colourSpot.width4SigmaY, colourSpot.iterations,
                colourSpot.converged ? "settled" : "not settled");
    std::printf("YUY2 conversion 1920x1080: %.3f ms\n", conversion);
    Print("1920x1080, grey frame, luma", greyLuma);
    Print("1920x1080, grey frame, luma, with saturation mask", greyMask);
    Print("1920x1080, colour frame, green", colourGreen);
    Print("1920x1080, colour frame, luma, with saturation mask", colourMask);
    Print("1920x1080, colour frame, luma", colourLuma);
    Print("3840x2160, colour frame, luma, with saturation mask", largeMask);
    Print("3840x2160, colour frame, luma", largeLuma);
    std::printf("measure 3840x2160: %.3f ms (%.1f%% of 30 fps interval)\n", largeLuma.delivery,
                largeLuma.delivery / (1000.0 / 30.0) * 100.0);
    std::printf("measure 1920x1080: %.3f ms (%.1f%% of 60 fps interval)\n", colourLuma.delivery,
                colourLuma.delivery / (1000.0 / 60.0) * 100.0);
    return 0;
}
