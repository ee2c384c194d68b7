// Line profiles on frames of known content: a Gaussian gives its centre and
// widths, a ramp its values, and lines that leave the frame are clipped.
#include "LineProfile.h"
#include "Measurement.h"
#include "ProfileStatistics.h"
#include "SyntheticFrame.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace TavixMeasure;
using TavixMeasure::Testing::SyntheticFrame;

namespace
{

constexpr double FwhmPerSigma = 2.3548200450309493; // 2 sqrt(2 ln 2)

double Gaussian(double x, double centre, double sigma)
{
    return std::exp(-(x - centre) * (x - centre) / (2.0 * sigma * sigma));
}

ProfileStatistics Figures(const LineProfile& profile, Channel channel, BaselineMode mode = BaselineMode::Ends,
                          double baseline = 0.0)
{
    return ProfileStatistics::Compute(profile.Values(channel), profile.Count(), profile.Step(), mode,
                                      baseline);
}

} // namespace

// Tolerances: the frame holds whole numbers, so values below half a step of
// the tails are lost; centre within 0.05 px, widths within 1.5 %.
TEST(LineProfile, GaussianAcrossARowGivesCentroidAndTheThreeWidths)
{
    const double centre = 200.3; // image x of the peak
    const double sigma = 12.0;
    SyntheticFrame frame(400, 40);
    frame.FillGrey([&](int x, int) { return 20.0 + 200.0 * Gaussian(x + 0.5, centre, sigma); });

    LineProfile profile;
    profile.Sample(frame.View(), {0.5, 20.5, 399.5, 20.5}, Interpolation::Nearest);
    ASSERT_EQ(profile.Count(), 400);
    EXPECT_DOUBLE_EQ(profile.Step(), 1.0);

    const ProfileStatistics s = Figures(profile, Channel::Green);
    // Sample i lies at image x = 0.5 + i.
    EXPECT_NEAR(s.centroid, centre - 0.5, 0.05);
    // Samples 199 and 200 both round to 220: the peak is the first of them.
    EXPECT_DOUBLE_EQ(s.peakPosition, 199.0);
    EXPECT_NEAR(s.baseline, 20.0, 1e-9);
    EXPECT_NEAR(s.fwhm, FwhmPerSigma * sigma, 0.015 * FwhmPerSigma * sigma);
    EXPECT_NEAR(s.widthE2, 4.0 * sigma, 0.015 * 4.0 * sigma);
    EXPECT_NEAR(s.width4Sigma, 4.0 * sigma, 0.015 * 4.0 * sigma);
    EXPECT_DOUBLE_EQ(s.maximum, 220.0);
    EXPECT_DOUBLE_EQ(s.minimum, 20.0);
}

TEST(LineProfile, DiagonalLineThroughARoundSpotSeesTheSameGaussianBilinear)
{
    const double sigma = 10.0;
    SyntheticFrame frame(200, 200);
    frame.FillGrey([&](int x, int y)
                   { return 200.0 * Gaussian(x + 0.5, 100.0, sigma) * Gaussian(y + 0.5, 100.0, sigma); });

    LineProfile profile;
    profile.Sample(frame.View(), {20.0, 20.0, 180.0, 180.0}, Interpolation::Bilinear);
    ASSERT_GT(profile.Count(), 200);
    EXPECT_NEAR(profile.Step(), 1.0, 0.01);

    const ProfileStatistics s = Figures(profile, Channel::Luma);
    EXPECT_NEAR(s.centroid, std::hypot(80.0, 80.0), 0.1);
    EXPECT_NEAR(s.fwhm, FwhmPerSigma * sigma, 0.02 * FwhmPerSigma * sigma);
}

TEST(LineProfile, RampGivesItsValuesAndStatisticsAndChannelsAreSampledApart)
{
    SyntheticFrame frame(256, 4);
    frame.FillGrey([](int x, int) { return x; });

    LineProfile profile;
    profile.Sample(frame.View(), {0.5, 1.5, 255.5, 1.5}, Interpolation::Nearest);
    ASSERT_EQ(profile.Count(), 256);
    for (int i = 0; i < 256; i += 17)
    {
        EXPECT_EQ(profile.Values(Channel::Red)[i], static_cast<float>(i));
    }
    const ProfileStatistics s = Figures(profile, Channel::Red);
    EXPECT_DOUBLE_EQ(s.minimum, 0.0);
    EXPECT_DOUBLE_EQ(s.maximum, 255.0);
    EXPECT_DOUBLE_EQ(s.mean, 127.5);
    EXPECT_NEAR(s.standardDeviation, std::sqrt((256.0 * 256.0 - 1.0) / 12.0), 1e-9);
    EXPECT_DOUBLE_EQ(s.peakPosition, 255.0);
    // A ramp never falls back below half its height at the far end.
    EXPECT_TRUE(std::isnan(s.fwhm));

    // Bilinear halfway between two pixel centres gives the mean of both.
    profile.Sample(frame.View(), {10.0, 1.5, 20.0, 1.5}, Interpolation::Bilinear);
    ASSERT_EQ(profile.Count(), 11);
    EXPECT_FLOAT_EQ(profile.Values(Channel::Blue)[0], 9.5f);
    EXPECT_FLOAT_EQ(profile.Values(Channel::Blue)[10], 19.5f);

    // Channels and luma are sampled apart.
    for (int x = 0; x < 8; ++x)
    {
        frame.Set(x, 3, 200, 100, 50);
    }
    profile.Sample(frame.View(), {0.0, 3.5, 7.0, 3.5}, Interpolation::Nearest);
    ASSERT_EQ(profile.Count(), 8);
    EXPECT_EQ(profile.Values(Channel::Red)[3], 200.0f);
    EXPECT_EQ(profile.Values(Channel::Green)[3], 100.0f);
    EXPECT_EQ(profile.Values(Channel::Blue)[3], 50.0f);
    EXPECT_EQ(profile.Values(Channel::Luma)[3], 124.0f);
}

TEST(LineProfile, UserBaselineReplacesTheEnds)
{
    SyntheticFrame frame(100, 1);
    frame.FillGrey([](int x, int) { return x >= 40 && x < 60 ? 100.0 : 50.0; });
    LineProfile profile;
    profile.Sample(frame.View(), {0.5, 0.5, 99.5, 0.5}, Interpolation::Nearest);

    const ProfileStatistics ends = Figures(profile, Channel::Red);
    EXPECT_DOUBLE_EQ(ends.baseline, 50.0);
    EXPECT_NEAR(ends.centroid, 49.5, 1e-9);
    // A top hat 20 samples wide: the half-height crossings lie halfway
    // between the last low and the first high samples.
    EXPECT_NEAR(ends.fwhm, 20.0, 1e-9);

    const ProfileStatistics user = Figures(profile, Channel::Red, BaselineMode::User, 0.0);
    EXPECT_DOUBLE_EQ(user.baseline, 0.0);
    // Everything is signal now: the half-height crossings lie beyond the ends.
    EXPECT_TRUE(std::isnan(user.fwhm));
    EXPECT_NEAR(user.centroid, 49.5, 1e-9);
}

TEST(LineProfile, BadLinesGiveNoProfileLinesLeavingTheFrameAreClippedAndAFlatOneGivesNoFigures)
{
    SyntheticFrame frame(64, 32);
    frame.FillGrey([](int x, int) { return x; });
    LineProfile profile;

    profile.Sample(frame.View(), {10.0, 10.0, 10.0, 10.0}, Interpolation::Bilinear); // length zero
    EXPECT_TRUE(profile.IsEmpty());
    profile.Sample(frame.View(), {10.0, 10.0, 10.6, 10.0}, Interpolation::Nearest); // under a pixel
    EXPECT_TRUE(profile.IsEmpty());
    profile.Sample(frame.View(), {100.0, 5.0, 200.0, 5.0}, Interpolation::Nearest); // right of the frame
    EXPECT_TRUE(profile.IsEmpty());
    profile.Sample(frame.View(), {0.0, std::nan(""), 5.0, 5.0}, Interpolation::Nearest);
    EXPECT_TRUE(profile.IsEmpty());
    profile.Sample(ImageView{}, {0.0, 0.0, 5.0, 0.0}, Interpolation::Nearest); // no frame
    EXPECT_TRUE(profile.IsEmpty());

    const ProfileStatistics none = ProfileStatistics::Compute(nullptr, 0, 1.0, BaselineMode::Ends, 0.0);
    EXPECT_EQ(none.count, 0);
    EXPECT_TRUE(std::isnan(none.mean));

    // Set on a larger frame: from far left to far right, through row 8.
    profile.Sample(frame.View(), {-1000.0, 8.5, 1920.0, 8.5}, Interpolation::Nearest);
    EXPECT_DOUBLE_EQ(profile.Line().x0, 0.0);
    EXPECT_LT(profile.Line().x1, 64.0);
    EXPECT_GT(profile.Line().x1, 63.99);
    ASSERT_EQ(profile.Count(), 64);
    EXPECT_EQ(profile.Values(Channel::Green)[0], 0.0f);
    EXPECT_EQ(profile.Values(Channel::Green)[63], 63.0f);
    // A diagonal from outside the top-left corner enters at the frame's edge.
    LineSegment diagonal{-10.0, -10.0, 20.0, 20.0};
    ASSERT_TRUE(ClipSegment(diagonal, 64, 32));
    EXPECT_DOUBLE_EQ(diagonal.x0, 0.0);
    EXPECT_DOUBLE_EQ(diagonal.y0, 0.0);
    EXPECT_DOUBLE_EQ(diagonal.x1, 20.0);

    // A flat line has no signal: no centroid, no widths.
    frame.FillGrey([](int, int) { return 77.0; });
    profile.Sample(frame.View(), {0.0, 1.0, 49.0, 1.0}, Interpolation::Nearest);
    const ProfileStatistics flat = Figures(profile, Channel::Luma);
    EXPECT_DOUBLE_EQ(flat.standardDeviation, 0.0);
    EXPECT_TRUE(std::isnan(flat.centroid));
    EXPECT_TRUE(std::isnan(flat.fwhm));
    EXPECT_TRUE(std::isnan(flat.width4Sigma));
}

// (A line or region partly outside is clipped: the cases above and the region suite.)
TEST(Measurement, ALineAndRegionOutsideASmallerFrameGiveNoFigures)
{
    MeasureSettings settings;
    settings.hasLine = true;
    settings.line = {700.0, 1.0, 900.0, 1.0}; // drawn on a 1920-wide frame
    settings.hasRegion = true;
    settings.region = {700, 0, 10, 10};
    SyntheticFrame small(640, 20);
    small.FillGrey([](int, int) { return 10.0; });

    Measurement m;
    m.Measure(small.View(), settings, 2.0, 2);
    EXPECT_FALSE(m.hasLine);
    EXPECT_FALSE(m.hasRegion);
    EXPECT_EQ(m.sequence, 2u);
    EXPECT_TRUE(std::isnan(m.ChartPoint(ChartQuantity::RegionMean).values[0]));
    EXPECT_TRUE(std::isnan(m.ChartPoint(ChartQuantity::LineFwhm).values[0]));
}
