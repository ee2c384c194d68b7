// Region statistics and the saturation mask on frames of known content:
// exact histograms and counts, the centre and widths of a Gaussian spot in
// noise, and regions that leave the frame.
#include "RegionStatistics.h"
#include "SaturationMask.h"
#include "SyntheticFrame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <random>

using namespace TavixMeasure;
using TavixMeasure::Testing::SyntheticFrame;

TEST(RegionStatistics, KnownValuesGiveExactHistogramsAndFigures)
{
    SyntheticFrame frame(10, 8);
    frame.FillGrey([](int, int) { return 99.0; }); // outside the region: must not count
    // The region (2, 1) 4 x 3: red 0, 10, ..., 110 row by row; green all 255
    // but two pixels; blue 0 in three pixels.
    int n = 0;
    for (int y = 1; y < 4; ++y)
    {
        for (int x = 2; x < 6; ++x, ++n)
        {
            frame.Set(x, y, n * 10, n < 2 ? 7 : 255, n % 4 == 0 ? 0 : 30);
        }
    }
    RegionStatistics region;
    region.Compute(frame.View(), {2, 1, 4, 3}, Channel::Red, BaselineMode::User, 0.0);
    ASSERT_EQ(region.Region().width, 4);

    const Histogram& red = region.HistogramOf(Channel::Red);
    for (int v = 0; v < 256; ++v)
    {
        EXPECT_EQ(red[static_cast<std::size_t>(v)], v % 10 == 0 && v <= 110 ? 1u : 0u) << v;
    }
    const ChannelStatistics& r = region.StatisticsOf(Channel::Red);
    EXPECT_EQ(r.count, 12);
    EXPECT_EQ(r.minimum, 0);
    EXPECT_EQ(r.maximum, 110);
    EXPECT_DOUBLE_EQ(r.mean, 55.0);
    EXPECT_NEAR(r.standardDeviation, std::sqrt((144.0 - 1.0) / 12.0) * 10.0, 1e-9);
    EXPECT_DOUBLE_EQ(r.blackShare, 1.0 / 12.0);
    EXPECT_DOUBLE_EQ(r.saturatedShare, 0.0);

    const ChannelStatistics& g = region.StatisticsOf(Channel::Green);
    EXPECT_EQ(region.HistogramOf(Channel::Green)[255], 10u);
    EXPECT_EQ(region.HistogramOf(Channel::Green)[7], 2u);
    EXPECT_DOUBLE_EQ(g.saturatedShare, 10.0 / 12.0);
    EXPECT_EQ(g.minimum, 7);

    const ChannelStatistics& b = region.StatisticsOf(Channel::Blue);
    EXPECT_DOUBLE_EQ(b.blackShare, 3.0 / 12.0);
    EXPECT_EQ(region.HistogramOf(Channel::Blue)[30], 9u);

    // The red-weighted centroid with no background: weights 10 n at the
    // pixel centres, sum of n = 66, of n (x + 0.5) = 279, of n (y + 0.5) = 197.
    EXPECT_NEAR(region.Spot().centroidX, 279.0 / 66.0, 1e-9);
    EXPECT_NEAR(region.Spot().centroidY, 197.0 / 66.0, 1e-9);
}

// A spot on a background with uniform noise of +-4: over the whole region
// the noise far from the spot outweighs it in the second moment; over the
// window of three widths around it, iterated, it averages out.
TEST(RegionStatistics, IteratedWindowGivesTheWidthOfASpotInNoise)
{
    const double cx = 200.3;
    const double cy = 150.7;
    const double sx = 20.0;
    const double sy = 14.0;
    SyntheticFrame frame(400, 300);
    unsigned seed = 2024;
    frame.FillGrey(
        [&](int x, int y)
        {
            seed = seed * 1103515245u + 12345u;
            const double noise = static_cast<double>(seed >> 16 & 0x7FFF) / 0x7FFF * 8.0 - 4.0;
            const double dx = (x + 0.5 - cx) / sx;
            const double dy = (y + 0.5 - cy) / sy;
            return 40.0 + noise + 200.0 * std::exp(-0.5 * (dx * dx + dy * dy));
        });
    RegionStatistics region;
    region.Compute(frame.View(), {0, 0, 400, 300}, Channel::Luma, BaselineMode::Ends, 0.0);
    const SpotStatistics& spot = region.Spot();
    ASSERT_TRUE(spot.converged);
    EXPECT_LE(spot.iterations, 6);
    EXPECT_NEAR(spot.centroidX, cx, 0.3);
    EXPECT_NEAR(spot.centroidY, cy, 0.3);
    EXPECT_NEAR(spot.width4SigmaX, 4.0 * sx, 0.03 * 4.0 * sx);
    EXPECT_NEAR(spot.width4SigmaY, 4.0 * sy, 0.03 * 4.0 * sy);
    // The window: three widths around the centre, to the nearest pixel edges.
    EXPECT_NEAR(spot.window.width, 3.0 * spot.width4SigmaX, 2.0);
    EXPECT_NEAR(spot.window.height, 3.0 * spot.width4SigmaY, 2.0);
    EXPECT_NEAR(spot.window.x + spot.window.width / 2.0, spot.centroidX, 1.0);
    EXPECT_NEAR(spot.window.y + spot.window.height / 2.0, spot.centroidY, 1.0);
    EXPECT_NEAR(spot.background, 40.0, 0.05);

    const SpotStatistics whole = region.MomentsOver(frame.View(), region.Region());
    std::printf("4-sigma x: iterated %.2f (%d windows), whole region %.2f; true %.2f\n", spot.width4SigmaX,
                spot.iterations, whole.width4SigmaX, 4.0 * sx);
    EXPECT_FALSE(std::abs(whole.width4SigmaX - 4.0 * sx) < 0.2 * 4.0 * sx);
}

TEST(RegionStatistics, RegionsOutsideOrAtTheEdgeOfTheFrame)
{
    SyntheticFrame frame(20, 10);
    frame.FillGrey([](int x, int y) { return x + 20 * y; });
    RegionStatistics region;

    region.Compute(frame.View(), {25, 0, 5, 5}, Channel::Red, BaselineMode::Ends, 0.0);
    EXPECT_TRUE(region.Region().IsEmpty());
    EXPECT_EQ(region.StatisticsOf(Channel::Red).count, 0);
    EXPECT_TRUE(std::isnan(region.StatisticsOf(Channel::Red).mean));
    EXPECT_TRUE(std::isnan(region.Spot().centroidX));

    region.Compute(frame.View(), {-5, -5, 0, 10}, Channel::Red, BaselineMode::Ends, 0.0); // no width
    EXPECT_TRUE(region.Region().IsEmpty());

    // Partly outside: only the inside counts.
    region.Compute(frame.View(), {15, 8, 100, 100}, Channel::Red, BaselineMode::Ends, 0.0);
    EXPECT_EQ(region.Region().x, 15);
    EXPECT_EQ(region.Region().width, 5);
    EXPECT_EQ(region.Region().height, 2);
    EXPECT_EQ(region.StatisticsOf(Channel::Red).count, 10);
    EXPECT_EQ(region.StatisticsOf(Channel::Red).minimum, 175);
    EXPECT_EQ(region.StatisticsOf(Channel::Red).maximum, 199);
    // Grey rows count once for all channels; luma only when it is chosen.
    EXPECT_EQ(region.HistogramOf(Channel::Blue)[179], 1u);
    EXPECT_EQ(region.StatisticsOf(Channel::Luma).count, 0);

    // One pixel: its value, no spread; above its own border there is no signal.
    region.Compute(frame.View(), {3, 2, 1, 1}, Channel::Red, BaselineMode::Ends, 0.0);
    EXPECT_EQ(region.StatisticsOf(Channel::Red).count, 1);
    EXPECT_DOUBLE_EQ(region.StatisticsOf(Channel::Red).mean, 43.0);
    EXPECT_DOUBLE_EQ(region.StatisticsOf(Channel::Red).standardDeviation, 0.0);
    EXPECT_TRUE(std::isnan(region.Spot().centroidX));
    // With a background of 0 the one pixel is the spot: its centre, no width.
    region.Compute(frame.View(), {3, 2, 1, 1}, Channel::Red, BaselineMode::User, 0.0);
    EXPECT_DOUBLE_EQ(region.Spot().centroidX, 3.5);
    EXPECT_DOUBLE_EQ(region.Spot().centroidY, 2.5);
    EXPECT_DOUBLE_EQ(region.Spot().width4SigmaX, 0.0);

    EXPECT_TRUE(ClipRect({0, 0, 2147483647, 2147483647}, 20, 10).width == 20);
    region.Compute(ImageView{}, {0, 0, 5, 5}, Channel::Red, BaselineMode::Ends, 0.0);
    EXPECT_TRUE(region.Region().IsEmpty());
}

namespace
{

// A frame of random colours with some grey rows, clipped and saturated
// values frequent, any alpha.
SyntheticFrame RandomFrame(int width, int height, std::mt19937& random)
{
    SyntheticFrame frame(width, height);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> kind(0, 9);
    auto value = [&] { return kind(random) == 0 ? 255 : kind(random) == 0 ? 0 : byte(random); };
    for (int y = 0; y < height; ++y)
    {
        const bool grey = y % 3 == 1;
        for (int x = 0; x < width; ++x)
        {
            const int v = value();
            grey ? frame.Set(x, y, v, v, v) : frame.Set(x, y, value(), value(), v);
            frame.pixels[(static_cast<std::size_t>(y) * width + x) * 4 + 3] =
                static_cast<std::uint8_t>(byte(random));
        }
    }
    return frame;
}

} // namespace

TEST(RegionStatistics, HistogramsAndMomentsOfRandomFramesEqualAPixelByPixelCount)
{
    // Sizes and offsets around the widths the row kernels take at once.
    std::mt19937 random(7);
    for (const Rect& r : {Rect{0, 0, 67, 9}, Rect{3, 1, 33, 17}, Rect{1, 2, 16, 5}, Rect{5, 0, 4109, 2}})
    {
        const SyntheticFrame frame = RandomFrame(r.x + r.width + 2, r.y + r.height + 1, random);
        for (const Channel chosen : {Channel::Luma, Channel::Green})
        {
            std::array<Histogram, ChannelCount> expected{};
            for (int y = r.y; y < r.y + r.height; ++y)
            {
                for (int x = r.x; x < r.x + r.width; ++x)
                {
                    const std::uint8_t* p = frame.View().Pixel(x, y);
                    for (int c = 0; c < ChannelCount; ++c)
                    {
                        if (c != static_cast<int>(Channel::Luma) || chosen == Channel::Luma)
                        {
                            ++expected[static_cast<std::size_t>(c)]
                                      [static_cast<std::size_t>(ChannelValue(p, static_cast<Channel>(c)))];
                        }
                    }
                }
            }
            RegionStatistics region;
            region.Compute(frame.View(), r, chosen, BaselineMode::User, 0.0);
            for (int c = 0; c < ChannelCount; ++c)
            {
                EXPECT_EQ(region.HistogramOf(static_cast<Channel>(c)), expected[static_cast<std::size_t>(c)])
                    << "channel " << c << ", region " << r.width << " x " << r.height;
            }
            // The moments over windows cutting runs and bands anywhere, from
            // the pass's sums, equal those summed pixel by pixel.
            std::uniform_int_distribution<int> cut(0, 20);
            for (int trial = 0; trial < 8; ++trial)
            {
                const int left = r.x + cut(random) % r.width;
                const int top = r.y + cut(random) % r.height;
                const Rect window{left, top, std::max(1, r.x + r.width - left - cut(random)),
                                  std::max(1, r.y + r.height - top - cut(random) % 3)};
                double sum = 0.0;
                double sumX = 0.0;
                double sumY = 0.0;
                for (int y = window.y; y < std::min(window.y + window.height, r.y + r.height); ++y)
                {
                    for (int x = window.x; x < std::min(window.x + window.width, r.x + r.width); ++x)
                    {
                        const double v = ChannelValue(frame.View().Pixel(x, y), chosen);
                        sum += v;
                        sumX += v * (x + 0.5);
                        sumY += v * (y + 0.5);
                    }
                }
                const SpotStatistics spot = region.MomentsOver(frame.View(), window);
                EXPECT_NEAR(spot.centroidX, sumX / sum, 1e-9) << "window at " << left << ", " << top;
                EXPECT_NEAR(spot.centroidY, sumY / sum, 1e-9) << "window at " << left << ", " << top;
            }
        }
    }
}

TEST(SaturationMask, RandomFramesGiveThePixelByPixelMarksAndCounts)
{
    std::mt19937 random(11);
    for (const int width : {1, 15, 16, 47, 8211})
    {
        SyntheticFrame frame = RandomFrame(width, 3, random);
        for (int x = 0; x < width; ++x)
        {
            frame.Set(x, 0, 255, 255, 255); // a row of more saturated pixels than a byte counts
        }
        for (const bool markBlack : {false, true})
        {
            SaturationMask mask;
            mask.Compute(frame.View(), markBlack);
            std::int64_t saturated = 0;
            std::int64_t black = 0;
            int wrong = 0;
            for (int i = 0; i < width * 3; ++i)
            {
                // Saturated wins over black; the alpha byte (any value) never counts.
                const std::uint8_t* p = &frame.pixels[static_cast<std::size_t>(i) * 4];
                const bool isSaturated = p[0] == 255 || p[1] == 255 || p[2] == 255;
                const bool isBlack = !isSaturated && markBlack && (p[0] == 0 || p[1] == 0 || p[2] == 0);
                saturated += isSaturated;
                black += isBlack;
                wrong += mask.Marks()[i] != (isSaturated ? SaturationMask::Saturated
                                             : isBlack   ? SaturationMask::Black
                                                         : SaturationMask::None);
            }
            EXPECT_EQ(wrong, 0) << "width " << width;
            EXPECT_EQ(mask.SaturatedCount(), saturated) << "width " << width;
            EXPECT_EQ(mask.BlackCount(), black) << "width " << width;
        }
    }
}
