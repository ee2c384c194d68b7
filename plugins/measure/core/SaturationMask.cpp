#include "SaturationMask.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TAVIX_MEASURE_SSE2 1
#include "CpuFeatures.h"
#include "SaturationMaskAvx2.h"
#endif

namespace TavixMeasure
{

void SaturationMask::Compute(const ImageView& image, bool markBlack)
{
    Begin(image, markBlack);
    MarkRows(image, 0, height_);
}

void SaturationMask::Begin(const ImageView& image, bool markBlack)
{
    saturated_ = 0;
    black_ = 0;
    markBlack_ = markBlack;
    width_ = image.IsEmpty() ? 0 : image.width;
    height_ = image.IsEmpty() ? 0 : image.height;
    const std::size_t size = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
    if (marks_.size() < size)
    {
        marks_.resize(size);
    }
}

void SaturationMask::MarkRows(const ImageView& image, int y0, int y1)
{
    const bool markBlack = markBlack_;
    std::int64_t saturated = 0;
    std::int64_t black = 0;
    for (int y = std::max(y0, 0); y < std::min(y1, height_); ++y)
    {
        const std::uint8_t* row = image.Pixel(0, y);
        std::uint8_t* marks = marks_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
        int x = 0;
#if defined(TAVIX_MEASURE_SSE2)
        static_assert(Saturated == 1 && Black == 2, "the AVX2 kernel writes these marks");
        if (UseAvx2())
        {
            x = MarkRowAvx2(row, width_, markBlack, marks, saturated, black);
        }
        // Sixteen pixels at a time: a pixel is saturated when a colour byte
        // equals 255, black when one equals 0 (alpha bytes masked out). The
        // tests give all ones in the pixels that are not; packed to one byte
        // a pixel, they make the marks and count in byte lanes.
        const __m128i colourBytes = _mm_set1_epi32(0x00FFFFFF);
        const __m128i zero = _mm_setzero_si128();
        const __m128i ones = _mm_set1_epi32(-1);
        const __m128i blackWanted = markBlack ? ones : zero;
        auto notHaving = [&](__m128i pixels, __m128i value)
        { return _mm_cmpeq_epi32(_mm_and_si128(_mm_cmpeq_epi8(pixels, value), colourBytes), zero); };
        __m128i saturatedLanes = zero; // counts in byte lanes, up to 255 rounds
        __m128i blackLanes = zero;
        int rounds = 0;
        auto flush = [&]
        {
            saturated += _mm_cvtsi128_si32(_mm_sad_epu8(saturatedLanes, zero)) +
                         _mm_cvtsi128_si32(_mm_srli_si128(_mm_sad_epu8(saturatedLanes, zero), 8));
            black += _mm_cvtsi128_si32(_mm_sad_epu8(blackLanes, zero)) +
                     _mm_cvtsi128_si32(_mm_srli_si128(_mm_sad_epu8(blackLanes, zero), 8));
            saturatedLanes = zero;
            blackLanes = zero;
            rounds = 0;
        };
        for (; x + 16 <= width_; x += 16)
        {
            const std::uint8_t* p = row + static_cast<std::size_t>(x) * 4;
            __m128i v[4];
            for (int i = 0; i < 4; ++i)
            {
                v[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
            }
            const __m128i notSaturated =
                _mm_packs_epi16(_mm_packs_epi32(notHaving(v[0], ones), notHaving(v[1], ones)),
                                _mm_packs_epi32(notHaving(v[2], ones), notHaving(v[3], ones)));
            const __m128i notBlack =
                _mm_packs_epi16(_mm_packs_epi32(notHaving(v[0], zero), notHaving(v[1], zero)),
                                _mm_packs_epi32(notHaving(v[2], zero), notHaving(v[3], zero)));
            const __m128i isSaturated = _mm_xor_si128(notSaturated, ones);
            const __m128i isBlack = _mm_and_si128(_mm_andnot_si128(notBlack, notSaturated), blackWanted);
            const __m128i mark = _mm_or_si128(_mm_and_si128(isSaturated, _mm_set1_epi8(Saturated)),
                                              _mm_and_si128(isBlack, _mm_set1_epi8(Black)));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(marks + x), mark);
            saturatedLanes = _mm_sub_epi8(saturatedLanes, isSaturated);
            blackLanes = _mm_sub_epi8(blackLanes, isBlack);
            if (++rounds == 255)
            {
                flush();
            }
        }
        flush();
#endif
        for (; x < width_; ++x)
        {
            std::uint32_t word;
            std::memcpy(&word, row + static_cast<std::size_t>(x) * 4, sizeof(word));
            // A byte of the colour is 255 exactly when that byte of ~word is 0
            // (and 0 exactly when the byte of word is 0): the zero-byte test.
            const std::uint32_t inverted = ~word | 0xFF000000u;
            const std::uint32_t colour = word | 0xFF000000u;
            const bool isSaturated = ((inverted - 0x01010101u) & ~inverted & 0x80808080u) != 0;
            const bool isBlack = markBlack && ((colour - 0x01010101u) & ~colour & 0x80808080u) != 0;
            const std::uint8_t mark = isSaturated ? Saturated : isBlack ? Black : None;
            marks[x] = mark;
            saturated += isSaturated;
            black += mark == Black;
        }
    }
    saturated_ += saturated;
    black_ += black;
}

} // namespace TavixMeasure
