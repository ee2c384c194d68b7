#include "SaturationMask.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TAVIX_MEASURE_SSE2 1
#endif

namespace TavixMeasure
{

void SaturationMask::Compute(const ImageView& image, bool markBlack)
{
    saturated_ = 0;
    black_ = 0;
    if (image.IsEmpty())
    {
        width_ = 0;
        height_ = 0;
        return;
    }
    width_ = image.width;
    height_ = image.height;
    const std::size_t size = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
    if (marks_.size() < size)
    {
        marks_.resize(size);
    }
    std::int64_t saturated = 0;
    std::int64_t black = 0;
    for (int y = 0; y < height_; ++y)
    {
        const std::uint8_t* row = image.Pixel(0, y);
        std::uint8_t* marks = marks_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
        int x = 0;
#if defined(TAVIX_MEASURE_SSE2)
        // Four pixels at a time: a pixel is saturated when a colour byte
        // equals 255, black when one equals 0 (alpha bytes masked out).
        const __m128i colourBytes = _mm_set1_epi32(0x00FFFFFF);
        const __m128i zero = _mm_setzero_si128();
        const __m128i blackWanted = markBlack ? _mm_set1_epi32(-1) : zero;
        for (; x + 4 <= width_; x += 4)
        {
            const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x * 4));
            const __m128i full = _mm_and_si128(_mm_cmpeq_epi8(pixels, _mm_set1_epi8(-1)), colourBytes);
            const __m128i empty = _mm_and_si128(_mm_cmpeq_epi8(pixels, zero), colourBytes);
            // All ones in the pixels that have such a byte.
            const __m128i isSaturated = _mm_xor_si128(_mm_cmpeq_epi32(full, zero), _mm_set1_epi32(-1));
            const __m128i isBlack = _mm_andnot_si128(
                isSaturated,
                _mm_and_si128(_mm_xor_si128(_mm_cmpeq_epi32(empty, zero), _mm_set1_epi32(-1)), blackWanted));
            // Mark per pixel: 1 saturated, 2 black.
            const __m128i mark = _mm_or_si128(_mm_and_si128(isSaturated, _mm_set1_epi32(Saturated)),
                                              _mm_and_si128(isBlack, _mm_set1_epi32(Black)));
            const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(mark, zero), zero);
            const int four = _mm_cvtsi128_si32(packed);
            std::memcpy(marks + x, &four, sizeof(four));
            saturated += std::popcount(static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(isSaturated))));
            black += std::popcount(static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(isBlack))));
        }
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
    saturated_ = saturated;
    black_ = black;
}

} // namespace TavixMeasure
