#include "StageRowAvx2.h"

#include <immintrin.h>

namespace TavixMeasure
{

int StageRowAvx2(const std::uint8_t* pixels, int width, int byte, std::uint8_t* staged,
                 const std::uint32_t* above, std::uint32_t* below, std::uint32_t* runPrefix,
                 std::uint32_t& colourBits)
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
    std::uint32_t total = runPrefix[0];
    int x = 0;
    for (; x + 16 <= width; x += 16, runPrefix += 2)
    {
        // Eight pixels at a time: luma from two multiply-adds (29 b + 77 r,
        // 150 g), the staged words with luma in place of alpha, and the
        // spot channel in 32-bit lanes.
        __m256i spot[2];
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
            const __m256i values = _mm256_and_si256(_mm256_srl_epi32(stagedWords, shift), low8);
            const __m256i columns =
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(above + x + 8 * half8));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(below + x + 8 * half8),
                                _mm256_add_epi32(columns, values));
            spot[half8] = values;
        }
        // Packed to 16-bit lanes, the sums of absolute values give the sums
        // over four pixels each, of pixels 0-3, 8-11, 4-7 and 12-15.
        const __m256i quarters = _mm256_sad_epu8(_mm256_packs_epi32(spot[0], spot[1]), zero);
        const __m128i runs =
            _mm_add_epi64(_mm256_castsi256_si128(quarters), _mm256_extracti128_si256(quarters, 1));
        total += static_cast<std::uint32_t>(_mm_cvtsi128_si32(runs));
        runPrefix[1] = total;
        total += static_cast<std::uint32_t>(_mm_extract_epi16(runs, 4));
        runPrefix[2] = total;
    }
    // Blue ^ green and green ^ red are the low 16 bits of each word.
    if (!_mm256_testz_si256(differences, _mm256_set1_epi32(0xFFFF)))
    {
        colourBits |= 1u;
    }
    return x;
}

} // namespace TavixMeasure
