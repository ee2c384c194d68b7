// The strip chart's window of time, calibration, and the report tables with
// their CSV and tab-separated forms.
#include "Calibration.h"
#include "Measurement.h"
#include "Report.h"
#include "StripChart.h"
#include "SyntheticFrame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace TavixMeasure;
using TavixMeasure::Testing::SyntheticFrame;

namespace
{

StripChart::Point At(double time, double value)
{
    StripChart::Point point;
    point.time = time;
    point.values = {value, value + 1, value + 2, value + 3};
    return point;
}

Measurement GaussianMeasurement()
{
    static SyntheticFrame frame = []
    {
        SyntheticFrame f(120, 60);
        f.FillGrey(
            [](int x, int y)
            {
                const double dx = (x + 0.5 - 60.0) / 6.0;
                const double dy = (y + 0.5 - 30.0) / 4.0;
                return 5.0 + 250.0 * std::exp(-0.5 * (dx * dx + dy * dy));
            });
        return f;
    }();
    MeasureSettings settings;
    settings.hasLine = true;
    settings.line = {0.5, 30.0, 119.5, 30.0};
    settings.hasRegion = true;
    settings.region = {10, 5, 100, 50};
    settings.channel = Channel::Green;
    Measurement m;
    m.Measure(frame.View(), settings, 12.5, 7);
    return m;
}

} // namespace

TEST(StripChart, KeepsTheLastSecondsInOrder)
{
    StripChart chart(8);
    std::vector<StripChart::Point> points;
    chart.CopyLast(10.0, points);
    EXPECT_TRUE(points.empty()); // an empty chart

    for (int i = 0; i < 5; ++i)
    {
        chart.Add(At(i * 0.5, i));
    }
    chart.CopyLast(1.0, points); // 2.0 and the points back to 1.0
    ASSERT_EQ(points.size(), 3u);
    EXPECT_DOUBLE_EQ(points[0].time, 1.0);
    EXPECT_DOUBLE_EQ(points[2].values[3], 7.0);

    // Past the capacity the oldest points go; the order stays.
    for (int i = 5; i < 13; ++i)
    {
        chart.Add(At(i * 0.5, i));
    }
    EXPECT_EQ(chart.Size(), 8u);
    chart.CopyLast(100.0, points);
    ASSERT_EQ(points.size(), 8u);
    EXPECT_DOUBLE_EQ(points.front().time, 2.5);
    EXPECT_DOUBLE_EQ(points.back().time, 6.0);

    // A clock that goes back starts a new chart.
    chart.Add(At(1.0, 1));
    chart.CopyLast(100.0, points);
    ASSERT_EQ(points.size(), 1u);
    EXPECT_DOUBLE_EQ(points[0].time, 1.0);

    const Table empty = ChartTable({}, ChartQuantity::LinePeak, {});
    ASSERT_EQ(empty.size(), 1u); // the header only
    EXPECT_EQ(empty[0][0], L"時刻 [s]");
}

TEST(Calibration, ConvertsLengthsAndRefusesBadInput)
{
    Calibration calibration;
    EXPECT_EQ(calibration.UnitName(), L"px");
    calibration.unit = L"µm";
    ASSERT_TRUE(calibration.SetFromKnownLength(200.0, 50.0));
    EXPECT_DOUBLE_EQ(calibration.ToUnit(40.0), 10.0);
    EXPECT_EQ(calibration.UnitName(), L"µm");
    EXPECT_FALSE(calibration.SetFromKnownLength(0.0, 50.0));
    EXPECT_FALSE(calibration.SetFromKnownLength(200.0, -1.0));
    EXPECT_FALSE(calibration.SetFromKnownLength(200.0, std::nan("")));
    EXPECT_DOUBLE_EQ(calibration.scale, 0.25) << "a refused length keeps the scale";
    calibration.scale = 0.0;
    EXPECT_FALSE(calibration.IsValid());
    EXPECT_DOUBLE_EQ(calibration.ToUnit(3.0), 3.0) << "no valid scale: pixels";
}

TEST(Report, NumbersAreFormattedTheSameEverywhere)
{
    EXPECT_EQ(FormatNumber(3.14159, 2), L"3.14");
    EXPECT_EQ(FormatNumber(-0.001, 2), L"0.00");
    EXPECT_EQ(FormatNumber(-2.5, 1), L"-2.5");
    EXPECT_EQ(FormatNumber(std::nan(""), 2), NotDefinedText);
    EXPECT_EQ(ToUtf8(L"µm 輝度"), "\xC2\xB5m \xE8\xBC\x9D\xE5\xBA\xA6");
    std::wstring clef;
    if constexpr (sizeof(wchar_t) == 2)
    {
        clef = {static_cast<wchar_t>(0xD834), static_cast<wchar_t>(0xDD1E)};
    }
    else
    {
        clef = {static_cast<wchar_t>(0x1D11E)};
    }
    EXPECT_EQ(ToUtf8(clef), "\xF0\x9D\x84\x9E");
}

// (The measurement suite reads these tables' figures off the page.)
TEST(Report, LineAndRegionTablesGiveTheFiguresInTheUnitTooAndNothingWithoutAMeasurement)
{
    const Measurement m = GaussianMeasurement();
    const Table line = LineTable(m, {L"µm", 0.5});
    ASSERT_FALSE(line.empty());
    EXPECT_EQ(line[0][0], L"線 (緑)");
    const auto centroid =
        std::find_if(line.begin(), line.end(), [](const auto& row) { return row[0] == L"重心"; });
    ASSERT_NE(centroid, line.end());
    ASSERT_EQ(centroid->size(), 5u);
    EXPECT_NEAR(std::stod((*centroid)[1]), 59.5, 0.05);
    EXPECT_NEAR(std::stod((*centroid)[3]), 29.75, 0.025);
    EXPECT_EQ((*centroid)[4], L"µm");

    EXPECT_TRUE(LineTable(Measurement(), {}).empty());
    EXPECT_TRUE(RegionTable(Measurement(), {}).empty());
}

TEST(Report, ProfileAndHistogramTablesHoldTheMeasuredValuesAndCsvQuotesWhatItMust)
{
    const Measurement m = GaussianMeasurement();
    const Table profile = ProfileTable(m, {L"mm", 0.01});
    EXPECT_EQ(profile[0][1], L"位置 [mm]");
    ASSERT_EQ(profile.size(), static_cast<std::size_t>(m.profile.Count()) + 1);
    for (std::size_t i = 1; i < profile.size(); i += 13)
    {
        ASSERT_EQ(profile[i].size(), 6u);
        EXPECT_NEAR(std::stod(profile[i][3]), m.profile.Values(Channel::Green)[i - 1], 0.005);
    }

    const Table histogram = HistogramTable(m);
    ASSERT_EQ(histogram.size(), 257u);
    std::uint64_t total = 0;
    for (std::size_t v = 1; v < histogram.size(); ++v)
    {
        total += std::stoull(histogram[v][2]);
        EXPECT_EQ(std::stoul(histogram[v][2]), m.region.HistogramOf(Channel::Green)[v - 1]);
    }
    EXPECT_EQ(total, 100u * 50u);

    // A cell with a comma or a quote survives; an undefined figure is empty.
    EXPECT_EQ(ToCsv({{L"mm", L"a,b", L"say \"hi\"", NotDefinedText}, {L"1.50"}}),
              "mm,\"a,b\",\"say \"\"hi\"\"\",\r\n1.50\r\n");
    EXPECT_EQ(ToTabSeparated({{L"平均", L"1.5", L"x\ty"}, {NotDefinedText}}), L"平均\t1.5\tx y\r\n\r\n");
}

TEST(Report, ChartTableGivesTimesFromTheFirstPointAndTheUnit)
{
    std::vector<StripChart::Point> points{At(100.0, 10.0), At(100.25, 20.0)};
    points[1].values[0] = std::nan("");
    const Table fwhm = ChartTable(points, ChartQuantity::LineFwhm, {L"µm", 2.0});
    ASSERT_EQ(fwhm.size(), 3u);
    EXPECT_EQ(fwhm[0][2], L"半値全幅 [µm]");
    EXPECT_EQ(fwhm[1][0], L"0.000");
    EXPECT_EQ(fwhm[1][2], L"20.0000");
    EXPECT_EQ(fwhm[2][0], L"0.250");
    EXPECT_EQ(fwhm[2][1], NotDefinedText);

    const Table means = ChartTable(points, ChartQuantity::RegionMean, {});
    ASSERT_EQ(means[1].size(), 5u);
    EXPECT_EQ(means[1][4], L"13.00");
}
