#include "RegionStatistics.h"

#include "SecondMoments.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TAVIX_MEASURE_SSE2 1
#include "CpuFeatures.h"
#include "StageRowAvx2.h"
#endif

namespace TavixMeasure
{

namespace
{

// The byte of a staged word (blue, green, red, luma from the lowest up)
// that holds `channel`.
int StagedByte(Channel channel)
{
    switch (channel)
    {
    case Channel::Red:
        return 2;
    case Channel::Green:
        return 1;
    case Channel::Blue:
        return 0;
    case Channel::Luma:
        break;
    }
    return 3;
}

} // namespace

// The spot channel's values in 4-byte pixels: byte `byte` of each, or luma
// computed from blue, green and red.
struct RegionStatistics::Pixels
{
    const std::uint8_t* origin; // the region's top left pixel
    std::ptrdiff_t stride;
    int byte;
    bool computeLuma;

    const std::uint8_t* At(int x, int y) const
    {
        return origin + y * stride + static_cast<std::ptrdiff_t>(x) * 4;
    }

    // Adds the values of `count` pixels from (x, y) to `sums`.
    void AddRow(int x, int y, int count, std::uint32_t* sums) const
    {
        const std::uint8_t* p = At(x, y);
        if (computeLuma)
        {
            for (int i = 0; i < count; ++i, p += 4)
            {
                sums[i] += static_cast<std::uint32_t>(Luma(p[2], p[1], p[0]));
            }
            return;
        }
        p += byte;
        for (int i = 0; i < count; ++i)
        {
            sums[i] += p[static_cast<std::size_t>(i) * 4];
        }
    }

    // The sum of the values of `count` pixels from (x, y).
    std::uint32_t SumRow(int x, int y, int count) const
    {
        const std::uint8_t* p = At(x, y);
        std::uint32_t sum = 0;
        if (computeLuma)
        {
            for (int i = 0; i < count; ++i, p += 4)
            {
                sum += static_cast<std::uint32_t>(Luma(p[2], p[1], p[0]));
            }
            return sum;
        }
        p += byte;
        for (int i = 0; i < count; ++i)
        {
            sum += p[static_cast<std::size_t>(i) * 4];
        }
        return sum;
    }
};

namespace
{

// One pass over a row of the region: stages its pixels as words of blue,
// green, red and luma; adds the value of staged byte `byte` (the spot
// channel) to the column sums `above` into `below` (the same row but for
// the first row of a band of 8) and sums it over runs of 8 pixels, whose
// running sums go into runPrefix[1], runPrefix[2], ... on from runPrefix[0].
// True when the row is grey.
bool StageRow(const std::uint8_t* pixels, int width, int byte, std::uint8_t* staged,
              const std::uint32_t* above, std::uint32_t* below, std::uint32_t* runPrefix)
{
    int x = 0;
    std::uint32_t colourBits = 0; // red ^ green and green ^ blue of every pixel, or-ed
#if defined(TAVIX_MEASURE_SSE2)
    if (UseAvx2())
    {
        x = StageRowAvx2(pixels, width, byte, staged, above, below, runPrefix, colourBits);
        runPrefix += x / 8;
    }
    const __m128i lowBytes = _mm_set1_epi32(0x00FF00FF);
    const __m128i colourBytes = _mm_set1_epi32(0x00FFFFFF);
    const __m128i low8 = _mm_set1_epi32(0xFF);
    const __m128i blueRedWeights = _mm_set1_epi32(77 << 16 | 29);
    const __m128i greenWeights = _mm_set1_epi32(150);
    const __m128i half = _mm_set1_epi32(128);
    const __m128i zero = _mm_setzero_si128();
    const __m128i shift = _mm_cvtsi32_si128(byte * 8);
    __m128i differences = zero;
    // Four pixels from x + i: the staged words, the column sums, and the
    // spot channel in 32-bit lanes.
    auto fourPixels = [&](int i)
    {
        const std::size_t offset = static_cast<std::size_t>(x + i) * 4;
        const __m128i words = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + offset));
        const __m128i blueRed = _mm_and_si128(words, lowBytes);
        const __m128i greenAlpha = _mm_and_si128(_mm_srli_epi32(words, 8), lowBytes);
        const __m128i sums =
            _mm_add_epi32(_mm_madd_epi16(blueRed, blueRedWeights), _mm_madd_epi16(greenAlpha, greenWeights));
        const __m128i luma = _mm_srli_epi32(_mm_add_epi32(sums, half), 8);
        const __m128i stagedWords = _mm_or_si128(_mm_and_si128(words, colourBytes), _mm_slli_epi32(luma, 24));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(staged + offset), stagedWords);
        differences = _mm_or_si128(differences, _mm_xor_si128(words, _mm_srli_epi32(words, 8)));
        const __m128i values = _mm_and_si128(_mm_srl_epi32(stagedWords, shift), low8);
        const __m128i columns = _mm_loadu_si128(reinterpret_cast<const __m128i*>(above + x + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(below + x + i), _mm_add_epi32(columns, values));
        return values;
    };
    for (; x + 8 <= width; x += 8, ++runPrefix)
    {
        const __m128i values = _mm_packs_epi32(fourPixels(0), fourPixels(4));
        runPrefix[1] =
            runPrefix[0] +
            static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_sad_epu8(_mm_packus_epi16(values, zero), zero)));
    }
    // Blue ^ green and green ^ red are the low 16 bits of each word.
    colourBits |= static_cast<std::uint32_t>(_mm_movemask_epi8(
                      _mm_cmpeq_epi8(_mm_and_si128(differences, _mm_set1_epi32(0xFFFF)), zero))) ^
                  0xFFFFu;
#endif
    while (x < width)
    {
        const int end = std::min(x + 8, width);
        std::uint32_t sum = 0;
        for (; x < end; ++x)
        {
            const std::uint8_t* p = pixels + static_cast<std::size_t>(x) * 4;
            std::uint8_t* out = staged + static_cast<std::size_t>(x) * 4;
            out[0] = p[0];
            out[1] = p[1];
            out[2] = p[2];
            out[3] = static_cast<std::uint8_t>(Luma(p[2], p[1], p[0]));
            colourBits |= static_cast<std::uint32_t>((p[0] ^ p[1]) | (p[1] ^ p[2]));
            const std::uint32_t v = out[byte];
            below[x] = above[x] + v;
            sum += v;
        }
        runPrefix[1] = runPrefix[0] + sum;
        ++runPrefix;
    }
    return colourBits == 0;
}

template <typename T> void Reserve(std::vector<T>& buffer, std::size_t size)
{
    if (buffer.size() < size)
    {
        buffer.resize(size);
    }
}

} // namespace

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
    Measure(image, rect, spotChannel, backgroundMode, userBackground, ownStaged_);
    CountHistograms(ownStaged_);
}

void RegionStatistics::Measure(const ImageView& image, const Rect& rect, Channel spotChannel,
                               BaselineMode backgroundMode, double userBackground, StagedRegion& staged,
                               SaturationMask* mask)
{
    for (auto& histogram : histograms_)
    {
        histogram.fill(0);
    }
    channels_.fill({});
    spot_ = {};
    spotChannel_ = spotChannel;
    region_ = image.IsEmpty() ? Rect{} : ClipRect(rect, image.width, image.height);
    // Luma costs a fourth count a pixel: it is counted only when chosen.
    staged.Reset(region_.width, region_.height, spotChannel == Channel::Luma);
    if (region_.IsEmpty())
    {
        return;
    }
    const Rect r = region_;
    backgroundMode_ = backgroundMode;
    spot_.background = backgroundMode == BaselineMode::User ? userBackground : BorderMean(image);
    borderBackground_ = spot_.background;

    const std::size_t width = static_cast<std::size_t>(r.width);
    const std::size_t height = static_cast<std::size_t>(r.height);
    const std::size_t runs = (width + Cell - 1) / Cell;
    const std::size_t bands = (height + Cell - 1) / Cell;
    Reserve(bandPrefix_, (bands + 1) * width);
    Reserve(runPrefix_, height * (runs + 1));
    Reserve(projectionX_, width);
    Reserve(projectionY_, height);

    // Each row adds to the column sums of its band, which start from those
    // of the band above: the band's last row leaves the running sums down
    // the bands. Along each row, the runs' running sums.
    static_assert(Cell == 8, "StageRow sums runs of 8 pixels");
    const int byte = StagedByte(spotChannel);
    std::fill_n(bandPrefix_.data(), width, 0u);
    for (int y = 0; y < r.height; ++y)
    {
        const std::size_t band = static_cast<std::size_t>(y / Cell);
        std::uint32_t* below = bandPrefix_.data() + (band + 1) * width;
        const std::uint32_t* above = y % Cell == 0 ? below - width : below;
        std::uint32_t* runPrefix = runPrefix_.data() + static_cast<std::size_t>(y) * (runs + 1);
        runPrefix[0] = 0;
        staged.SetGreyRow(
            y, StageRow(image.Pixel(r.x, r.y + y), r.width, byte, staged.Row(y), above, below, runPrefix));
        if (mask != nullptr)
        {
            mask->MarkRows(image, r.y + y, r.y + y + 1);
        }
    }
    // The moments read the staged values: no luma to compute again.
    FindSpot(Pixels{staged.Row(0), static_cast<std::ptrdiff_t>(width) * 4, byte, false});
}

void RegionStatistics::CountHistograms(StagedRegion& staged)
{
    if (region_.IsEmpty())
    {
        return;
    }
    staged.Count(histograms_);
    const int channels = spotChannel_ == Channel::Luma ? ChannelCount : ChannelCount - 1;
    for (int c = 0; c < channels; ++c)
    {
        channels_[static_cast<std::size_t>(c)] = FromHistogram(histograms_[static_cast<std::size_t>(c)]);
    }
}

Rect RegionStatistics::WindowAround(double centreX, double centreY, double halfX, double halfY) const
{
    int x0 = 0;
    int x1 = 0;
    int y0 = 0;
    int y1 = 0;
    SecondMoments::Span(centreX - halfX, centreX + halfX, region_.width, 0.5, x0, x1);
    SecondMoments::Span(centreY - halfY, centreY + halfY, region_.height, 0.5, y0, y1);
    return {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

Rect RegionStatistics::StartWindow()
{
    // The projections of the signal on x and y average the noise of a whole
    // column or row; around the peak of each, the half-maximum width gives
    // sigma (FWHM = 2.3548 sigma), when the projection falls that far.
    const int width = region_.width;
    const int height = region_.height;
    const std::size_t runs = (static_cast<std::size_t>(width) + Cell - 1) / Cell;
    const std::size_t bands = (static_cast<std::size_t>(height) + Cell - 1) / Cell;
    const double background = borderBackground_;
    const std::uint32_t* columns = bandPrefix_.data() + bands * static_cast<std::size_t>(width);
    regionTotal_ = 0.0;
    for (int x = 0; x < width; ++x)
    {
        regionTotal_ += columns[x];
        projectionX_[static_cast<std::size_t>(x)] = static_cast<float>(columns[x] - background * height);
    }
    for (int y = 0; y < height; ++y)
    {
        projectionY_[static_cast<std::size_t>(y)] = static_cast<float>(
            runPrefix_[static_cast<std::size_t>(y) * (runs + 1) + runs] - background * width);
    }
    // Centre and half size of the window; the whole extent without a peak.
    auto range = [](const float* values, int count, double& centre, double& half)
    {
        centre = count / 2.0;
        half = count / 2.0;
        const int peak = static_cast<int>(std::max_element(values, values + count) - values);
        if (!(values[peak] > 0.0f))
        {
            return;
        }
        const double fwhm = WidthAbove(values, count, 0.0, peak, values[peak] * 0.5, 1.0);
        if (std::isfinite(fwhm))
        {
            centre = peak + 0.5;
            half = SecondMoments::HalfWindowInWidths * 4.0 * fwhm / 2.3548200450309493;
        }
    };
    double centreX = 0.0;
    double halfX = 0.0;
    double centreY = 0.0;
    double halfY = 0.0;
    range(projectionX_.data(), width, centreX, halfX);
    range(projectionY_.data(), height, centreY, halfY);
    return WindowAround(centreX, centreY, halfX, halfY);
}

SpotStatistics RegionStatistics::MomentsOver(const ImageView& image, const Rect& window) const
{
    if (region_.IsEmpty())
    {
        SpotStatistics result;
        result.background = borderBackground_;
        return result;
    }
    const Pixels pixels{image.Pixel(region_.x, region_.y), image.stride, StagedByte(spotChannel_),
                        spotChannel_ == Channel::Luma};
    return MomentsOver(pixels, ClipRect(window, image.width, image.height));
}

SpotStatistics RegionStatistics::MomentsOver(const Pixels& pixels, const Rect& window) const
{
    SpotStatistics result;
    result.background = borderBackground_;
    // From image to region coordinates, clipped to the region.
    const Rect w = ClipRect({window.x - region_.x, window.y - region_.y, window.width, window.height},
                            region_.width, region_.height);
    if (w.IsEmpty())
    {
        return result;
    }
    const std::size_t width = static_cast<std::size_t>(region_.width);
    const std::size_t runs = (width + Cell - 1) / Cell;

    // Down the columns of the window: whole bands of 8 rows from their
    // running sums, and the rows of the bands the window cuts read from the
    // frame, row by row, a chunk of columns at a time.
    const int firstBand = (w.y + Cell - 1) / Cell;
    const int lastBand = std::max(firstBand, (w.y + w.height) / Cell); // bands [firstBand, lastBand)
    const int headEnd = std::min(firstBand * Cell, w.y + w.height);    // rows [w.y, headEnd) cut
    const int tailStart = std::max(lastBand * Cell, headEnd);          // rows [tailStart, bottom) cut
    const std::uint32_t* top = bandPrefix_.data() + static_cast<std::size_t>(firstBand) * width;
    const std::uint32_t* bottom = bandPrefix_.data() + static_cast<std::size_t>(lastBand) * width;
    double total = 0.0;
    double firstX = 0.0;
    double secondX = 0.0;
    double positionsX = 0.0; // sums over the window's columns of x and x^2
    double squaresX = 0.0;
    constexpr int Chunk = 256;
    std::uint32_t cut[Chunk];
    for (int chunk = w.x; chunk < w.x + w.width; chunk += Chunk)
    {
        const int count = std::min(Chunk, w.x + w.width - chunk);
        std::fill_n(cut, count, 0u);
        for (int y = w.y; y < headEnd; ++y)
        {
            pixels.AddRow(chunk, y, count, cut);
        }
        for (int y = tailStart; y < w.y + w.height; ++y)
        {
            pixels.AddRow(chunk, y, count, cut);
        }
        for (int i = 0; i < count; ++i)
        {
            const int x = chunk + i;
            const double sum = static_cast<double>(bottom[x] - top[x] + cut[i]);
            const double centre = x + 0.5;
            total += sum;
            firstX += sum * centre;
            secondX += sum * centre * centre;
            positionsX += centre;
            squaresX += centre * centre;
        }
    }
    // Along the rows of the window, the same with the runs of 8 pixels.
    const int firstRun = (w.x + Cell - 1) / Cell;
    const int lastRun = std::max(firstRun, (w.x + w.width) / Cell);
    const int leftEnd = std::min(firstRun * Cell, w.x + w.width);
    const int rightStart = std::max(lastRun * Cell, leftEnd);
    double firstY = 0.0;
    double secondY = 0.0;
    double positionsY = 0.0;
    double squaresY = 0.0;
    for (int y = w.y; y < w.y + w.height; ++y)
    {
        const std::uint32_t* prefix = runPrefix_.data() + static_cast<std::size_t>(y) * (runs + 1);
        const double sum =
            static_cast<double>(prefix[lastRun] - prefix[firstRun] + pixels.SumRow(w.x, y, leftEnd - w.x) +
                                pixels.SumRow(rightStart, y, w.x + w.width - rightStart));
        const double centre = y + 0.5;
        firstY += sum * centre;
        secondY += sum * centre * centre;
        positionsY += centre;
        squaresY += centre * centre;
    }
    // The background: in the automatic mode, the mean of the region outside
    // the window where that is at least as large as the region's border,
    // since the moments over the window weigh its error with the square of
    // the distance; else the border's mean or the user's value.
    const double columns = w.width;
    const double rows = w.height;
    const double outside = static_cast<double>(region_.width) * region_.height - columns * rows;
    const double border = 2.0 * (region_.width + region_.height) - 4.0;
    const double background = backgroundMode_ == BaselineMode::Ends && outside >= border
                                  ? (regionTotal_ - total) / outside
                                  : borderBackground_;
    result.background = background;
    result.window = {region_.x + w.x, region_.y + w.y, w.width, w.height};
    // The signal is value - background over every pixel of the window.
    const double weight = total - background * columns * rows;
    if (!(weight > 0.0))
    {
        return result;
    }
    const double meanX = (firstX - background * positionsX * rows) / weight;
    const double meanY = (firstY - background * positionsY * columns) / weight;
    // Signal that nearly cancels out can put its mean outside the window:
    // that is no centroid of anything in it.
    if (!(meanX >= w.x && meanX <= w.x + w.width && meanY >= w.y && meanY <= w.y + w.height))
    {
        return result;
    }
    const double varianceX = (secondX - background * squaresX * rows) / weight - meanX * meanX;
    const double varianceY = (secondY - background * squaresY * columns) / weight - meanY * meanY;
    result.centroidX = region_.x + meanX;
    result.centroidY = region_.y + meanY;
    // Zero is the variance of one column; below it only rounding errors.
    const double tolerance = -1e-9 * (1.0 + meanX * meanX + meanY * meanY);
    if (!(varianceX >= tolerance) || !(varianceY >= tolerance))
    {
        return result;
    }
    result.width4SigmaX = 4.0 * std::sqrt(std::max(varianceX, 0.0));
    result.width4SigmaY = 4.0 * std::sqrt(std::max(varianceY, 0.0));
    return result;
}

void RegionStatistics::FindSpot(const Pixels& pixels)
{
    Rect start = StartWindow();
    start.x += region_.x;
    start.y += region_.y;
    SpotStatistics moments;
    int iterations = 0;
    const SecondMoments::Outcome outcome = SecondMoments::Iterate(
        start, moments, iterations,
        [&](const Rect& w, SpotStatistics& result)
        {
            result = MomentsOver(pixels, w);
            return std::isfinite(result.width4SigmaX) ? SecondMoments::Integral::Complete
                   : std::isfinite(result.centroidX)  ? SecondMoments::Integral::Centroid
                                                      : SecondMoments::Integral::None;
        },
        [&](const SpotStatistics& m)
        {
            const double half = SecondMoments::HalfWindowInWidths;
            const Rect w = WindowAround(m.centroidX - region_.x, m.centroidY - region_.y,
                                        half * m.width4SigmaX, half * m.width4SigmaY);
            return Rect{region_.x + w.x, region_.y + w.y, w.width, w.height};
        },
        [](const SpotStatistics& a, const SpotStatistics& b)
        {
            return SecondMoments::Settled(a.centroidX, a.width4SigmaX, b.centroidX, b.width4SigmaX) &&
                   SecondMoments::Settled(a.centroidY, a.width4SigmaY, b.centroidY, b.width4SigmaY);
        },
        [](const SpotStatistics* cycle, int count)
        {
            // The mean of the cycle's figures over the windows they share.
            SpotStatistics mean = cycle[0];
            int left = mean.window.x;
            int top = mean.window.y;
            int right = left + mean.window.width;
            int bottom = top + mean.window.height;
            for (int i = 1; i < count; ++i)
            {
                const SpotStatistics& s = cycle[i];
                mean.background += s.background;
                mean.centroidX += s.centroidX;
                mean.centroidY += s.centroidY;
                mean.width4SigmaX += s.width4SigmaX;
                mean.width4SigmaY += s.width4SigmaY;
                left = std::min(left, s.window.x);
                top = std::min(top, s.window.y);
                right = std::max(right, s.window.x + s.window.width);
                bottom = std::max(bottom, s.window.y + s.window.height);
            }
            mean.background /= count;
            mean.centroidX /= count;
            mean.centroidY /= count;
            mean.width4SigmaX /= count;
            mean.width4SigmaY /= count;
            mean.window = {left, top, right - left, bottom - top};
            return mean;
        });
    spot_.iterations = iterations;
    spot_.converged = outcome == SecondMoments::Outcome::Settled;
    if (outcome == SecondMoments::Outcome::NoResult)
    {
        return;
    }
    spot_.background = moments.background;
    spot_.centroidX = moments.centroidX;
    spot_.centroidY = moments.centroidY;
    spot_.window = moments.window;
    if (spot_.converged)
    {
        spot_.width4SigmaX = moments.width4SigmaX;
        spot_.width4SigmaY = moments.width4SigmaY;
    }
}

} // namespace TavixMeasure
