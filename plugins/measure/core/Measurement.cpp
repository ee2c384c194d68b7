#include "Measurement.h"

#include <cmath>

namespace TavixMeasure
{

void Measurement::Measure(const ImageView& image, const MeasureSettings& measureSettings, double arrival,
                          std::uint64_t number)
{
    MeasureLine(image, measureSettings, arrival, number);
    hasRegion = false;
    if (settings.hasRegion)
    {
        region.Compute(image, settings.region, settings.channel, settings.baselineMode, settings.baseline);
        hasRegion = !region.Region().IsEmpty();
    }
    hasMask = settings.showSaturation && !image.IsEmpty();
    if (hasMask)
    {
        mask.Compute(image, settings.markBlack);
    }
}

void Measurement::MeasureFrame(const ImageView& image, const MeasureSettings& measureSettings, double arrival,
                               std::uint64_t number, StagedRegion& staged)
{
    MeasureLine(image, measureSettings, arrival, number);
    hasMask = settings.showSaturation && !image.IsEmpty();
    if (hasMask)
    {
        mask.Begin(image, settings.markBlack);
    }
    hasRegion = false;
    staged.Reset(0, 0, false);
    if (settings.hasRegion)
    {
        // The region's pass marks the mask's rows it reads, while they are
        // in the cache.
        region.Measure(image, settings.region, settings.channel, settings.baselineMode, settings.baseline,
                       staged, hasMask ? &mask : nullptr);
        hasRegion = !region.Region().IsEmpty();
    }
    if (hasMask)
    {
        const Rect marked = hasRegion ? region.Region() : Rect{};
        mask.MarkRows(image, 0, marked.y);
        mask.MarkRows(image, marked.y + marked.height, image.height);
    }
}

void Measurement::CountHistograms(StagedRegion& staged)
{
    if (hasRegion)
    {
        region.CountHistograms(staged);
    }
}

void Measurement::MeasureLine(const ImageView& image, const MeasureSettings& measureSettings, double arrival,
                              std::uint64_t number)
{
    sequence = number;
    time = arrival;
    settings = measureSettings;
    frameWidth = image.IsEmpty() ? 0 : image.width;
    frameHeight = image.IsEmpty() ? 0 : image.height;

    hasLine = false;
    lineStatistics = {};
    if (settings.hasLine)
    {
        profile.Sample(image, settings.line, settings.interpolation);
        hasLine = !profile.IsEmpty();
        if (hasLine)
        {
            lineStatistics =
                ProfileStatistics::Compute(profile.Values(settings.channel), profile.Count(), profile.Step(),
                                           settings.baselineMode, settings.baseline, profile.Origin());
        }
    }
}

StripChart::Point Measurement::ChartPoint(ChartQuantity quantity) const
{
    StripChart::Point point;
    point.time = time;
    point.values.fill(std::nan(""));
    switch (quantity)
    {
    case ChartQuantity::RegionMean:
        if (hasRegion)
        {
            for (int c = 0; c < ChannelCount; ++c)
            {
                point.values[static_cast<std::size_t>(c)] = region.StatisticsOf(static_cast<Channel>(c)).mean;
            }
        }
        break;
    case ChartQuantity::LinePeak:
        if (hasLine)
        {
            point.values[0] = lineStatistics.maximum;
        }
        break;
    case ChartQuantity::LineFwhm:
        if (hasLine)
        {
            point.values[0] = lineStatistics.fwhm;
        }
        break;
    }
    return point;
}

} // namespace TavixMeasure
