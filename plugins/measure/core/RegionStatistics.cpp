#include "RegionStatistics.h"

#include <algorithm>
#include <cmath>

namespace TavixMeasure
{

Rect ClipRect(const Rect& rect, int width, int height)
{
    const long long left = std::max<long long>(rect.x, 0);
    const long long top = std::max<long long>(rect.y, 0);
    const long long right = std::min<long long>(static_cast<long long>(rect.x) + rect.width, width);
    const long long bottom = std::min<long long>(static_cast<long long>(rect.y) + rect.height, height);
    if (rect.width <= 0 || rect.height <= 0 || right <= left || bottom <= top)
    {
        return {};
    }
    return {static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
            static_cast<int>(bottom - top)};
}

ChannelStatistics RegionStatistics::FromHistogram(const Histogram& histogram)
{
    ChannelStatistics result;
    std::int64_t count = 0;
    double sum = 0.0;
    double squares = 0.0;
    int minimum = -1;
    int maximum = -1;
    for (int v = 0; v < 256; ++v)
    {
        const std::uint32_t n = histogram[static_cast<std::size_t>(v)];
        if (n == 0)
        {
            continue;
        }
        if (minimum < 0)
        {
            minimum = v;
        }
        maximum = v;
        count += n;
        sum += static_cast<double>(n) * v;
        squares += static_cast<double>(n) * v * v;
    }
    result.count = count;
    if (count == 0)
    {
        return result;
    }
    result.minimum = minimum;
    result.maximum = maximum;
    result.mean = sum / static_cast<double>(count);
    result.standardDeviation =
        std::sqrt(std::max(squares / static_cast<double>(count) - result.mean * result.mean, 0.0));
    result.saturatedShare = static_cast<double>(histogram[255]) / static_cast<double>(count);
    result.blackShare = static_cast<double>(histogram[0]) / static_cast<double>(count);
    return result;
}

double RegionStatistics::BorderMean(const ImageView& image) const
{
    const Rect& r = region_;
    double sum = 0.0;
    long long count = 0;
    auto add = [&](int x, int y)
    {
        sum += ChannelValue(image.Pixel(x, y), spotChannel_);
        ++count;
    };
    for (int x = r.x; x < r.x + r.width; ++x)
    {
        add(x, r.y);
        if (r.height > 1)
        {
            add(x, r.y + r.height - 1);
        }
    }
    for (int y = r.y + 1; y < r.y + r.height - 1; ++y)
    {
        add(r.x, y);
        if (r.width > 1)
        {
            add(r.x + r.width - 1, y);
        }
    }
    return count > 0 ? sum / static_cast<double>(count) : 0.0;
}

void RegionStatistics::Compute(const ImageView& image, const Rect& rect, Channel spotChannel,
                               BaselineMode backgroundMode, double userBackground)
{
    for (auto& histogram : histograms_)
    {
        histogram.fill(0);
    }
    channels_.fill({});
    spot_ = {};
    spotChannel_ = spotChannel;
    region_ = image.IsEmpty() ? Rect{} : ClipRect(rect, image.width, image.height);
    if (region_.IsEmpty())
    {
        return;
    }
    const Rect r = region_;
    const double background = backgroundMode == BaselineMode::User ? userBackground : BorderMean(image);
    spot_.background = background;

    // The signal of each value of the spot channel, as an integer table.
    std::array<std::uint32_t, 256> signal{};
    for (int v = 0; v < 256; ++v)
    {
        signal[static_cast<std::size_t>(v)] =
            static_cast<std::uint32_t>(std::lround(std::max(static_cast<double>(v) - background, 0.0)));
    }

    // Two sets of histograms, for even and odd columns: neighbouring pixels
    // often share a value, and one counter incremented twice in a row waits
    // for its own store. The sets are added up after the pass.
    for (auto& histogram : pairHistograms_)
    {
        histogram.fill(0);
    }
    std::uint32_t* even[ChannelCount];
    std::uint32_t* odd[ChannelCount];
    for (int c = 0; c < ChannelCount; ++c)
    {
        even[c] = pairHistograms_[static_cast<std::size_t>(c)].data();
        odd[c] = pairHistograms_[static_cast<std::size_t>(ChannelCount + c)].data();
    }
    const bool spotIsLuma = spotChannel == Channel::Luma;
    const int spotByte = spotChannel == Channel::Red ? 2 : spotChannel == Channel::Green ? 1 : 0;

    // The signal summed down each column (below 2^32 for any frame lower
    // than 2^24 rows) and along each row; the moments in double from these.
    if (columnSums_.size() < static_cast<std::size_t>(r.width))
    {
        columnSums_.resize(static_cast<std::size_t>(r.width));
    }
    std::uint32_t* columns = columnSums_.data();
    std::fill_n(columns, r.width, 0u);
    double weight = 0.0;
    double firstY = 0.0;
    double secondY = 0.0;
    for (int y = 0; y < r.height; ++y)
    {
        const std::uint8_t* pixel = image.Pixel(r.x, r.y + y);
        std::uint32_t rowSum = 0;
        auto count = [&](std::uint32_t* const* histograms, const std::uint8_t* p, int x)
        {
            const int l = Luma(p[2], p[1], p[0]);
            ++histograms[2][p[0]];
            ++histograms[1][p[1]];
            ++histograms[0][p[2]];
            ++histograms[3][l];
            const std::uint32_t s = signal[static_cast<std::size_t>(spotIsLuma ? l : p[spotByte])];
            columns[x] += s;
            rowSum += s;
        };
        int x = 0;
        for (; x + 1 < r.width; x += 2, pixel += 8)
        {
            count(even, pixel, x);
            count(odd, pixel + 4, x + 1);
        }
        if (x < r.width)
        {
            count(even, pixel, x);
        }
        const double centre = y + 0.5;
        weight += rowSum;
        firstY += rowSum * centre;
        secondY += rowSum * centre * centre;
    }
    for (int c = 0; c < ChannelCount; ++c)
    {
        for (int v = 0; v < 256; ++v)
        {
            histograms_[static_cast<std::size_t>(c)][static_cast<std::size_t>(v)] = even[c][v] + odd[c][v];
        }
    }
    for (int c = 0; c < ChannelCount; ++c)
    {
        channels_[static_cast<std::size_t>(c)] = FromHistogram(histograms_[static_cast<std::size_t>(c)]);
    }
    if (weight <= 0.0)
    {
        return;
    }
    double firstX = 0.0;
    double secondX = 0.0;
    for (int x = 0; x < r.width; ++x)
    {
        const double centre = x + 0.5;
        firstX += columns[x] * centre;
        secondX += columns[x] * centre * centre;
    }
    const double meanX = firstX / weight;
    const double meanY = firstY / weight;
    const double varianceX = std::max(secondX / weight - meanX * meanX, 0.0);
    const double varianceY = std::max(secondY / weight - meanY * meanY, 0.0);
    spot_.centroidX = r.x + meanX;
    spot_.centroidY = r.y + meanY;
    spot_.width4SigmaX = 4.0 * std::sqrt(varianceX);
    spot_.width4SigmaY = 4.0 * std::sqrt(varianceY);
}

} // namespace TavixMeasure
