#include "RegionStatistics.h"

#include "SecondMoments.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TAVIX_MEASURE_SSE2 1
#endif

namespace TavixMeasure
{

namespace
{

// True when every pixel of the row has red = green = blue. A colour row
// usually shows it in its first pixels: the test then ends at once.
bool IsGreyRow(const std::uint8_t* pixels, int width)
{
    int x = 0;
#if defined(TAVIX_MEASURE_SSE2)
    const __m128i low16 = _mm_set1_epi32(0xFFFF);
    const __m128i zero = _mm_setzero_si128();
    for (; x + 8 <= width; x += 8)
    {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + x * 4));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + x * 4 + 16));
        const __m128i differences =
            _mm_or_si128(_mm_and_si128(_mm_xor_si128(a, _mm_srli_epi32(a, 8)), low16),
                         _mm_and_si128(_mm_xor_si128(b, _mm_srli_epi32(b, 8)), low16));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(differences, zero)) != 0xFFFF)
        {
            return false;
        }
    }
#endif
    for (; x < width; ++x)
    {
        std::uint32_t word;
        std::memcpy(&word, pixels + static_cast<std::size_t>(x) * 4, sizeof(word));
        if (((word ^ (word >> 8)) & 0xFFFFu) != 0)
        {
            return false;
        }
    }
    return true;
}

// Luma (see Luma()) of each pixel of the row.
void LumaRow(const std::uint8_t* pixels, int width, std::uint8_t* luma)
{
    int x = 0;
#if defined(TAVIX_MEASURE_SSE2)
    // A pixel's word as two 16-bit halves: blue and red (masked), green and
    // alpha (shifted, masked); one multiply-add each gives 29 b + 77 r and 150 g.
    const __m128i lowBytes = _mm_set1_epi32(0x00FF00FF);
    const __m128i blueRedWeights = _mm_set1_epi32(77 << 16 | 29);
    const __m128i greenWeights = _mm_set1_epi32(150);
    const __m128i half = _mm_set1_epi32(128);
    auto fourPixels = [&](const std::uint8_t* p)
    {
        const __m128i words = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i blueRed = _mm_and_si128(words, lowBytes);
        const __m128i greenAlpha = _mm_and_si128(_mm_srli_epi32(words, 8), lowBytes);
        const __m128i sums =
            _mm_add_epi32(_mm_madd_epi16(blueRed, blueRedWeights), _mm_madd_epi16(greenAlpha, greenWeights));
        return _mm_srli_epi32(_mm_add_epi32(sums, half), 8);
    };
    for (; x + 16 <= width; x += 16)
    {
        const std::uint8_t* p = pixels + static_cast<std::size_t>(x) * 4;
        const __m128i low = _mm_packs_epi32(fourPixels(p), fourPixels(p + 16));
        const __m128i high = _mm_packs_epi32(fourPixels(p + 32), fourPixels(p + 48));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(luma + x), _mm_packus_epi16(low, high));
    }
#endif
    for (; x < width; ++x)
    {
        const std::uint8_t* p = pixels + static_cast<std::size_t>(x) * 4;
        luma[x] = static_cast<std::uint8_t>(Luma(p[2], p[1], p[0]));
    }
}

// The sum of `channel` over `count` pixels from `first`, `step` bytes apart.
int SumValues(const std::uint8_t* first, std::ptrdiff_t step, int count, Channel channel)
{
    int sum = 0;
    auto add = [&](auto value)
    {
        const std::uint8_t* p = first;
        for (int i = 0; i < count; ++i, p += step)
        {
            sum += value(p);
        }
    };
    switch (channel)
    {
    case Channel::Red:
        add([](const std::uint8_t* p) { return p[2]; });
        break;
    case Channel::Green:
        add([](const std::uint8_t* p) { return p[1]; });
        break;
    case Channel::Blue:
        add([](const std::uint8_t* p) { return p[0]; });
        break;
    case Channel::Luma:
        add([](const std::uint8_t* p) { return Luma(p[2], p[1], p[0]); });
        break;
    }
    return sum;
}

// Adds the row's values to the band's column sums (or starts them, for the
// band's first row) and writes their sums over runs of Cell (8) pixels. `Stride` 1: one byte a value; 4: the
// byte `offset` of each pixel.
template <int Stride>
void SumRow(const std::uint8_t* values, int offset, int width, bool first, std::uint16_t* band,
            std::uint16_t* runs)
{
    int x = 0;
#if defined(TAVIX_MEASURE_SSE2)
    const __m128i zero = _mm_setzero_si128();
    const __m128i low8 = _mm_set1_epi32(0xFF);
    const __m128i shift = _mm_cvtsi32_si128(offset * 8);
    for (; x + 8 <= width; x += 8, ++runs)
    {
        __m128i words; // 8 values as 16-bit lanes
        if constexpr (Stride == 1)
        {
            words = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(values + x)), zero);
        }
        else
        {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(values + x * 4));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(values + x * 4 + 16));
            words = _mm_packs_epi32(_mm_and_si128(_mm_srl_epi32(a, shift), low8),
                                    _mm_and_si128(_mm_srl_epi32(b, shift), low8));
        }
        __m128i* sums = reinterpret_cast<__m128i*>(band + x);
        _mm_storeu_si128(sums, first ? words : _mm_add_epi16(_mm_loadu_si128(sums), words));
        *runs =
            static_cast<std::uint16_t>(_mm_cvtsi128_si32(_mm_sad_epu8(_mm_packus_epi16(words, zero), zero)));
    }
#endif
    while (x < width)
    {
        const int end = std::min(x + 8, width);
        unsigned sum = 0;
        for (; x < end; ++x)
        {
            const unsigned v =
                values[static_cast<std::size_t>(x) * Stride + static_cast<std::size_t>(offset)];
            band[x] = static_cast<std::uint16_t>((first ? 0u : band[x]) + v);
            sum += v;
        }
        *runs++ = static_cast<std::uint16_t>(sum);
    }
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
    backgroundMode_ = backgroundMode;
    spot_.background = backgroundMode == BaselineMode::User ? userBackground : BorderMean(image);
    borderBackground_ = spot_.background;

    const std::size_t width = static_cast<std::size_t>(r.width);
    const std::size_t height = static_cast<std::size_t>(r.height);
    const std::size_t runs = (width + Cell - 1) / Cell;
    const std::size_t bands = (height + Cell - 1) / Cell;
    Reserve(lumaRow_, width);
    Reserve(runSums_, height * runs);
    Reserve(bandSums_, bands * width);
    Reserve(bandPrefix_, (bands + 1) * width);
    Reserve(runPrefix_, height * (runs + 1));
    Reserve(projectionX_, width);
    Reserve(projectionY_, height);
    for (auto& lane : partialHistograms_)
    {
        for (auto& histogram : lane)
        {
            histogram.fill(0);
        }
    }

    for (int y = 0; y < r.height; ++y)
    {
        CountRow(image.Pixel(r.x, r.y + y), y);
    }

    // Luma costs a fourth count a pixel: it is measured only when chosen.
    const int channels = spotChannel == Channel::Luma ? ChannelCount : ChannelCount - 1;
    for (int c = 0; c < channels; ++c)
    {
        Histogram& histogram = histograms_[static_cast<std::size_t>(c)];
        for (const auto& lane : partialHistograms_)
        {
            for (std::size_t v = 0; v < 256; ++v)
            {
                histogram[v] += lane[static_cast<std::size_t>(c)][v] + lane[ChannelCount][v];
            }
        }
        channels_[static_cast<std::size_t>(c)] = FromHistogram(histogram);
    }
    FindSpot(image);
}

void RegionStatistics::CountRow(const std::uint8_t* pixels, int y)
{
    const int width = region_.width;
    const std::size_t runs = (static_cast<std::size_t>(width) + Cell - 1) / Cell;
    std::uint16_t* band =
        bandSums_.data() + static_cast<std::size_t>(y / Cell) * static_cast<std::size_t>(width);
    std::uint16_t* runSums = runSums_.data() + static_cast<std::size_t>(y) * runs;
    const bool firstOfBand = y % Cell == 0;
    static_assert(Cell == 8, "SumRow sums runs of 8 pixels");

    // Pixel x counts in the histograms of lane x % Lanes.
    std::uint32_t* lanes[Lanes][ChannelCount + 1];
    for (int lane = 0; lane < Lanes; ++lane)
    {
        for (int c = 0; c <= ChannelCount; ++c)
        {
            lanes[lane][c] =
                partialHistograms_[static_cast<std::size_t>(lane)][static_cast<std::size_t>(c)].data();
        }
    }
    auto eachPixel = [&](auto count)
    {
        int x = 0;
        for (const std::uint8_t* p = pixels; x + Lanes <= width; x += Lanes, p += 4 * Lanes)
        {
            for (int lane = 0; lane < Lanes; ++lane)
            {
                count(lanes[lane], p + 4 * lane, x + lane);
            }
        }
        for (; x < width; ++x)
        {
            count(lanes[0], pixels + static_cast<std::size_t>(x) * 4, x);
        }
    };

    if (IsGreyRow(pixels, width))
    {
        // Red, green, blue and luma all equal the blue byte: one count for four.
        eachPixel([](std::uint32_t* const* h, const std::uint8_t* p, int) { ++h[ChannelCount][p[0]]; });
        SumRow<4>(pixels, 0, width, firstOfBand, band, runSums);
        return;
    }
    auto colours = [](std::uint32_t* const* h, const std::uint8_t* p, int)
    {
        ++h[2][p[0]];
        ++h[1][p[1]];
        ++h[0][p[2]];
    };
    if (spotChannel_ == Channel::Luma)
    {
        const std::uint8_t* luma = lumaRow_.data();
        LumaRow(pixels, width, lumaRow_.data());
        eachPixel(
            [&](std::uint32_t* const* h, const std::uint8_t* p, int x)
            {
                colours(h, p, x);
                ++h[3][luma[x]];
            });
        SumRow<1>(luma, 0, width, firstOfBand, band, runSums);
        return;
    }
    eachPixel(colours);
    const int byte = spotChannel_ == Channel::Red ? 2 : spotChannel_ == Channel::Green ? 1 : 0;
    SumRow<4>(pixels, byte, width, firstOfBand, band, runSums);
}

void RegionStatistics::SumUp()
{
    const std::size_t width = static_cast<std::size_t>(region_.width);
    const std::size_t height = static_cast<std::size_t>(region_.height);
    const std::size_t runs = (width + Cell - 1) / Cell;
    const std::size_t bands = (height + Cell - 1) / Cell;
    // Below 2^32 for regions lower than 2^21 bands and narrower than 2^21 runs.
    std::fill_n(bandPrefix_.data(), width, 0u);
    for (std::size_t band = 0; band < bands; ++band)
    {
        const std::uint32_t* above = bandPrefix_.data() + band * width;
        const std::uint16_t* sums = bandSums_.data() + band * width;
        std::uint32_t* prefix = bandPrefix_.data() + (band + 1) * width;
        for (std::size_t x = 0; x < width; ++x)
        {
            prefix[x] = above[x] + sums[x];
        }
    }
    for (std::size_t y = 0; y < height; ++y)
    {
        const std::uint16_t* sums = runSums_.data() + y * runs;
        std::uint32_t* prefix = runPrefix_.data() + y * (runs + 1);
        std::uint32_t total = 0;
        prefix[0] = 0;
        for (std::size_t run = 0; run < runs; ++run)
        {
            total += sums[run];
            prefix[run + 1] = total;
        }
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
    SpotStatistics result;
    result.background = borderBackground_;
    if (region_.IsEmpty())
    {
        return result;
    }
    // From image to region coordinates, clipped to the region.
    const Rect clipped = ClipRect(window, image.width, image.height);
    const Rect w = ClipRect({clipped.x - region_.x, clipped.y - region_.y, clipped.width, clipped.height},
                            region_.width, region_.height);
    if (w.IsEmpty())
    {
        return result;
    }
    const std::size_t width = static_cast<std::size_t>(region_.width);
    const std::size_t runs = (width + Cell - 1) / Cell;

    // The spot channel summed down column x over rows [y0, y1), and along
    // row y over columns [x0, x1), of the region.
    auto columnSum = [&](int x, int y0, int y1)
    {
        return y1 > y0 ? SumValues(image.Pixel(region_.x + x, region_.y + y0), image.stride, y1 - y0,
                                   spotChannel_)
                       : 0;
    };
    auto rowSum = [&](int y, int x0, int x1)
    { return x1 > x0 ? SumValues(image.Pixel(region_.x + x0, region_.y + y), 4, x1 - x0, spotChannel_) : 0; };

    // Down the columns of the window: whole bands of 8 rows from their
    // running sums, the rows of the bands the window cuts from the frame.
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
    for (int x = w.x; x < w.x + w.width; ++x)
    {
        const double sum = static_cast<double>(bottom[x] - top[x]) + columnSum(x, w.y, headEnd) +
                           columnSum(x, tailStart, w.y + w.height);
        const double centre = x + 0.5;
        total += sum;
        firstX += sum * centre;
        secondX += sum * centre * centre;
        positionsX += centre;
        squaresX += centre * centre;
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
        const double sum = static_cast<double>(prefix[lastRun] - prefix[firstRun]) + rowSum(y, w.x, leftEnd) +
                           rowSum(y, rightStart, w.x + w.width);
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

void RegionStatistics::FindSpot(const ImageView& image)
{
    SumUp();
    Rect start = StartWindow();
    start.x += region_.x;
    start.y += region_.y;
    SpotStatistics moments;
    int iterations = 0;
    const SecondMoments::Outcome outcome = SecondMoments::Iterate(
        start, moments, iterations,
        [&](const Rect& w, SpotStatistics& result)
        {
            result = MomentsOver(image, w);
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
