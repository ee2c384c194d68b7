// The measurement pipeline's hand-off between the delivery thread, the
// helper that counts the histograms and the reader: every published
// measurement holds the figures of one frame, the same as measured on one
// thread (the mask too, marked partly during the region's pass), and every
// frame is either published or counted as skipped.
#include "MeasurementPipeline.h"
#include "SyntheticFrame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

using namespace TavixMeasure;
using TavixMeasure::Testing::SyntheticFrame;

namespace
{

// A coloured spot at (cx, cy) on a background of `level`, with saturated
// and black pixels.
SyntheticFrame Spot(double cx, double cy, double level)
{
    SyntheticFrame frame(640, 480);
    for (int y = 0; y < frame.height; ++y)
    {
        for (int x = 0; x < frame.width; ++x)
        {
            const double dx = (x + 0.5 - cx) / 30.0;
            const double dy = (y + 0.5 - cy) / 20.0;
            const double v = level + 180.0 * std::exp(-0.5 * (dx * dx + dy * dy));
            frame.Set(x, y, y % 50 == 0 ? 255 : static_cast<int>(v),
                      x % 61 == 0 ? 0 : static_cast<int>(v * 0.8), static_cast<int>(v * 0.5) + x % 7);
        }
    }
    return frame;
}

} // namespace

TEST(MeasurementPipeline, EveryPublishedMeasurementIsOfOneFrame)
{
    // Frame number n shows frames[n % 2].
    const SyntheticFrame frames[2] = {Spot(400.0, 300.0, 30.0), Spot(150.0, 100.0, 10.0)};
    MeasureSettings settings;
    settings.hasLine = true;
    settings.line = {0.0, 200.5, 640.0, 200.5};
    settings.hasRegion = true;
    settings.region = {20, 30, 600, 400};
    settings.showSaturation = true;
    settings.markBlack = true;
    Measurement expected[2];
    for (int i = 0; i < 2; ++i)
    {
        expected[i].Measure(frames[i].View(), settings, 0.0, 1);
    }

    MeasurementPipeline pipeline;
    std::atomic<bool> delivering{true};
    std::uint64_t offered = 0;
    std::uint64_t measured = 0;
    std::thread delivery(
        [&]
        {
            auto offer = [&]
            {
                ++offered;
                return pipeline.Measure(frames[offered % 2].View(), settings, ChartQuantity::RegionMean,
                                        static_cast<double>(offered));
            };
            while (delivering.load())
            {
                measured += offer();
            }
            while (!offer()) // the last frame is one the helper takes
            {
            }
            ++measured;
        });

    int read = 0;
    int mixed = 0;
    std::uint64_t last = 0;
    auto readNewest = [&]
    {
        const Measurement& m = pipeline.Latest();
        if (m.sequence == last)
        {
            std::this_thread::yield();
            return;
        }
        last = m.sequence;
        ++read;
        const Measurement& e = expected[m.sequence % 2];
        mixed += m.region.HistogramOf(Channel::Luma) != e.region.HistogramOf(Channel::Luma) ||
                 m.region.StatisticsOf(Channel::Red).mean != e.region.StatisticsOf(Channel::Red).mean ||
                 m.region.Spot().centroidX != e.region.Spot().centroidX ||
                 m.lineStatistics.maximum != e.lineStatistics.maximum ||
                 m.mask.SaturatedCount() != e.mask.SaturatedCount() ||
                 m.mask.BlackCount() != e.mask.BlackCount() ||
                 !std::equal(m.mask.Marks(), m.mask.Marks() + 640 * 480, e.mask.Marks());
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (read < 200 && std::chrono::steady_clock::now() < deadline)
    {
        readNewest();
    }
    delivering = false;
    delivery.join();
    while (last != offered && std::chrono::steady_clock::now() < deadline)
    {
        readNewest();
    }
    ASSERT_EQ(last, offered) << "the last frame was never published";
    EXPECT_GE(read, 200);
    EXPECT_EQ(mixed, 0) << "of " << read << " measurements read";
    EXPECT_EQ(pipeline.Latest().skipped + measured, offered);

    // The chart has a point for each measured frame, each the mean of one.
    std::vector<StripChart::Point> points;
    pipeline.CopyChart(1e9, points);
    EXPECT_EQ(points.size(), measured);
    int foreign = 0;
    for (const StripChart::Point& point : points)
    {
        const std::uint64_t n = static_cast<std::uint64_t>(point.time);
        foreign += point.values[0] != expected[n % 2].region.StatisticsOf(Channel::Red).mean;
    }
    EXPECT_EQ(foreign, 0);
}
