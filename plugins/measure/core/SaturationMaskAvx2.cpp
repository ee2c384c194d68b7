#include "SaturationMaskAvx2.h"

#include <immintrin.h>

namespace TavixMeasure
{

namespace
{

// All ones in the 32-bit lanes (pixels) none of whose colour bytes (alpha
// masked out) equals the byte of `value`.
__m256i NotHaving(__m256i pixels, __m256i value)
{
    return _mm256_cmpeq_epi32(
        _mm256_and_si256(_mm256_cmpeq_epi8(pixels, value), _mm256_set1_epi32(0x00FFFFFF)),
        _mm256_setzero_si256());
}

// Four such results of 8 pixels each packed to one byte a pixel, in order.
__m256i Pack(__m256i a, __m256i b, __m256i c, __m256i d)
{
    // In-lane packing leaves the groups of four pixels in the order 0, 8,
    // 16, 24, 4, 12, 20, 28; the dword permutation puts them back.
    const __m256i packed = _mm256_packs_epi16(_mm256_packs_epi32(a, b), _mm256_packs_epi32(c, d));
    return _mm256_permutevar8x32_epi32(packed, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
}

std::int64_t Sum(__m256i byteCounts)
{
    const __m256i sums = _mm256_sad_epu8(byteCounts, _mm256_setzero_si256());
    const __m128i pairs = _mm_add_epi64(_mm256_castsi256_si128(sums), _mm256_extracti128_si256(sums, 1));
    return _mm_cvtsi128_si64(pairs) + _mm_cvtsi128_si64(_mm_unpackhi_epi64(pairs, pairs));
}

} // namespace

int MarkRowAvx2(const std::uint8_t* row, int width, bool markBlack, std::uint8_t* marks,
                std::int64_t& saturated, std::int64_t& black)
{
    // The marks: 1 saturated, 2 black (SaturationMask::Mark).
    const __m256i zero = _mm256_setzero_si256();
    const __m256i ones = _mm256_set1_epi32(-1);
    const __m256i blackWanted = markBlack ? ones : zero;
    __m256i saturatedLanes = zero; // counts in byte lanes, up to 255 rounds
    __m256i blackLanes = zero;
    int rounds = 0;
    int x = 0;
    for (; x + 32 <= width; x += 32)
    {
        __m256i v[4];
        for (int i = 0; i < 4; ++i)
        {
            v[i] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + (x + 8 * i) * 4));
        }
        const __m256i notSaturated =
            Pack(NotHaving(v[0], ones), NotHaving(v[1], ones), NotHaving(v[2], ones), NotHaving(v[3], ones));
        const __m256i notBlack =
            Pack(NotHaving(v[0], zero), NotHaving(v[1], zero), NotHaving(v[2], zero), NotHaving(v[3], zero));
        const __m256i isSaturated = _mm256_xor_si256(notSaturated, ones);
        const __m256i isBlack = _mm256_and_si256(_mm256_andnot_si256(notBlack, notSaturated), blackWanted);
        const __m256i mark = _mm256_or_si256(_mm256_and_si256(isSaturated, _mm256_set1_epi8(1)),
                                             _mm256_and_si256(isBlack, _mm256_set1_epi8(2)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(marks + x), mark);
        saturatedLanes = _mm256_sub_epi8(saturatedLanes, isSaturated);
        blackLanes = _mm256_sub_epi8(blackLanes, isBlack);
        if (++rounds == 255)
        {
            saturated += Sum(saturatedLanes);
            black += Sum(blackLanes);
            saturatedLanes = zero;
            blackLanes = zero;
            rounds = 0;
        }
    }
    saturated += Sum(saturatedLanes);
    black += Sum(blackLanes);
    return x;
}

} // namespace TavixMeasure
