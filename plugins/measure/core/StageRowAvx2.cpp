#include "StageRowAvx2.h"

#include <immintrin.h>

namespace TavixMeasure
{

int StageRowAvx2(const std::uint8_t* pixels, int width, int byte, bool first, std::uint8_t* staged,
                 std::uint16_t* band, std::uint16_t* runs, std::uint32_t& colourBits)
{
    const __m256i lowBytes = _mm256_set1_epi32(0x00FF00FF);
    const __m256i colourBytes = _mm256_set1_epi32(0x00FFFFFF);
    const __m256i low8 = _mm256_set1_epi32(0xFF);
    const __m256i blueRedWeights = _mm256_set1_epi32(77 << 16 | 29);
    const __m256i greenWeights = _mm256_set1_epi32(150);
    const __m256i half = _mm256_set1_epi32(128);
    const __m256i zero = _mm256_setzero_si256();
    const __m128i shift = _mm_cvtsi32_si128(byte * 8);
    __m256i differences = zero;
    int x = 0;
    for (; x + 16 <= width; x += 16, runs += 2)
    {
        // Eight pixels at a time: luma from two multiply-adds (29 b + 77 r,
        // 150 g), the staged words with luma in place of alpha, and the
        // spot channel in 32-bit lanes.
        __m256i values[2];
        for (int half8 = 0; half8 < 2; ++half8)
        {
            const int offset = (x + 8 * half8) * 4;
            const __m256i words = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pixels + offset));
            const __m256i blueRed = _mm256_and_si256(words, lowBytes);
            const __m256i greenAlpha = _mm256_and_si256(_mm256_srli_epi32(words, 8), lowBytes);
            const __m256i sums = _mm256_add_epi32(_mm256_madd_epi16(blueRed, blueRedWeights),
                                                  _mm256_madd_epi16(greenAlpha, greenWeights));
            const __m256i luma = _mm256_srli_epi32(_mm256_add_epi32(sums, half), 8);
            const __m256i stagedWords =
                _mm256_or_si256(_mm256_and_si256(words, colourBytes), _mm256_slli_epi32(luma, 24));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(staged + offset), stagedWords);
            differences = _mm256_or_si256(differences, _mm256_xor_si256(words, _mm256_srli_epi32(words, 8)));
            values[half8] = _mm256_and_si256(_mm256_srl_epi32(stagedWords, shift), low8);
        }
        // As 16-bit lanes the two halves come interleaved by 128-bit lane:
        // pixels 0-3, 8-11, 4-7, 12-15. In order for the band's sums; the
        // sums of absolute values (over four pixels each) in any order.
        const __m256i packed = _mm256_packs_epi32(values[0], values[1]);
        const __m256i ordered = _mm256_permute4x64_epi64(packed, 0xD8);
        __m256i* sums = reinterpret_cast<__m256i*>(band + x);
        _mm256_storeu_si256(sums, first ? ordered : _mm256_add_epi16(_mm256_loadu_si256(sums), ordered));
        const __m256i quarters = _mm256_sad_epu8(packed, zero); // pixels 0-3, 8-11, 4-7, 12-15
        const __m128i pairs =
            _mm_add_epi64(_mm256_castsi256_si128(quarters), _mm256_extracti128_si256(quarters, 1));
        runs[0] = static_cast<std::uint16_t>(_mm_cvtsi128_si32(pairs));
        runs[1] = static_cast<std::uint16_t>(_mm_extract_epi16(pairs, 4));
    }
    // Blue ^ green and green ^ red are the low 16 bits of each word.
    if (!_mm256_testz_si256(differences, _mm256_set1_epi32(0xFFFF)))
    {
        colourBits |= 1u;
    }
    return x;
}

} // namespace TavixMeasure
