// The search for the longest exposure that does not saturate, against
// cameras whose pictures saturate from a given step on.
#include "app/ExposureSearch.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using TavixCapture::ExposureSearch;

namespace
{
Common::CameraProperty Exposure(std::int32_t minimum, std::int32_t maximum, std::int32_t step)
{
    Common::CameraProperty property;
    property.id = Common::CameraPropertyId::Exposure;
    property.supported = true;
    property.minimum = minimum;
    property.maximum = maximum;
    property.step = step;
    return property;
}
} // namespace

TEST(ExposureSearch, FindsTheLongestStepBelowSaturationInFewFrames)
{
    // A camera of 11 steps (-11 to -1), saturating from every possible step
    // on, and one that never saturates.
    for (std::int32_t saturatesFrom = -11; saturatesFrom <= 0; ++saturatesFrom)
    {
        SCOPED_TRACE(saturatesFrom);
        ExposureSearch search(Exposure(-11, -1, 1));
        while (!search.Done())
        {
            search.Observe(search.Current() >= saturatesFrom);
        }
        EXPECT_LE(search.Probes(), 4);
        if (saturatesFrom == -11)
        {
            EXPECT_FALSE(search.Result().has_value()) << "even the shortest saturates";
        }
        else
        {
            EXPECT_EQ(search.Result(), saturatesFrom - 1);
        }
    }
    // Steps of 3 from 1: only values of the camera are tried.
    ExposureSearch coarse(Exposure(1, 10, 3));
    std::vector<std::int32_t> tried;
    while (!coarse.Done())
    {
        tried.push_back(coarse.Current());
        coarse.Observe(coarse.Current() > 5);
    }
    for (const std::int32_t value : tried)
    {
        EXPECT_EQ((value - 1) % 3, 0) << value;
    }
    EXPECT_EQ(coarse.Result(), 4);
}

TEST(ExposureSearch, SaturationIsAny255InBlueGreenOrRedNotAlpha)
{
    std::vector<std::uint8_t> pixels(3 * 2 * 4, 0x10);
    const auto set = [&](int index, int channel, std::uint8_t value) { pixels[index * 4 + channel] = value; };
    for (int i = 0; i < 6; ++i)
    {
        set(i, 3, 0xFF); // opaque
    }
    EXPECT_FALSE(ExposureSearch::IsSaturated(pixels.data(), 3, 2, 12));
    set(5, 1, 0xFE);
    EXPECT_FALSE(ExposureSearch::IsSaturated(pixels.data(), 3, 2, 12));
    for (int channel = 0; channel < 3; ++channel)
    {
        set(5, channel, 0xFF);
        EXPECT_TRUE(ExposureSearch::IsSaturated(pixels.data(), 3, 2, 12)) << channel;
        set(5, channel, 0x10);
    }
    // A saturated pixel past the width (row padding) is not in the picture.
    std::vector<std::uint8_t> padded(16 * 1, 0);
    padded[12] = 0xFF;
    EXPECT_FALSE(ExposureSearch::IsSaturated(padded.data(), 3, 1, 16));
}

TEST(ExposureSearch, ARegionIsJudgedWhereItLiesInsideTheFrame)
{
    using Common::FrameRegion;
    // 4 x 3 pixels, green saturated at (3, 2) only.
    std::vector<std::uint8_t> pixels(4 * 3 * 4, 0x10);
    pixels[(2 * 4 + 3) * 4 + 1] = 0xFF;
    const auto saturated = [&](FrameRegion region)
    { return ExposureSearch::IsSaturated(pixels.data(), 4, 3, 16, region); };
    EXPECT_FALSE(saturated({0, 0, 3, 3}));
    EXPECT_FALSE(saturated({0, 0, 4, 2}));
    EXPECT_TRUE(saturated({3, 2, 1, 1}));
    EXPECT_TRUE(saturated({-5, -5, 9, 8})) << "from outside, up to (3, 2)";
    EXPECT_TRUE(saturated({2, 1, INT32_MAX, INT32_MAX})) << "far beyond";
    EXPECT_TRUE(saturated({10, 10, 5, 5})) << "wholly outside: the whole frame";
}
