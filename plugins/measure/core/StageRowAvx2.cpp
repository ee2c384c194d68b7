#include "StageRowAvx2.h"

#include <immintrin.h>

namespace TavixMeasure
{

namespace
{

struct Row
{
    const std::uint8_t* pixels;
    int width;
    std::uint8_t* staged;
    const std::uint32_t* above;
    std::uint32_t* below;
    std::uint32_t* runPrefix;
    __m128i shift; // of the spot channel's byte in a staged word
};

// Sixteen pixels at a time from x while x + 16 <= width; returns where it
// stopped. `LumaChosen`: the spot channel is luma. `CheckGrey`: or-s blue ^
// green and green ^ red into `differences` and stops after the first
// sixteen pixels that are not all grey.
template <bool LumaChosen, bool CheckGrey> int Stage(const Row& row, int x, __m256i& differences)
{
    const __m256i lowBytes = _mm256_set1_epi32(0x00FF00FF);
    const __m256i colourBytes = _mm256_set1_epi32(0x00FFFFFF);
    const __m256i low8 = _mm256_set1_epi32(0xFF);
    const __m256i low16 = _mm256_set1_epi32(0xFFFF);
    const __m256i blueRedWeights = _mm256_set1_epi32(77 << 16 | 29);
    const __m256i greenWeights = _mm256_set1_epi32(150);
    const __m256i half = _mm256_set1_epi32(128);
    const __m256i zero = _mm256_setzero_si256();
    std::uint32_t total = row.runPrefix[x / 8];
    while (x + 16 <= row.width)
    {
        // Eight pixels at a time: luma from two multiply-adds (29 b + 77 r,
        // 150 g), the staged words with luma in place of alpha, the spot
        // channel in 32-bit lanes added to the column sums.
        __m256i spot[2];
        for (int part = 0; part < 2; ++part)
        {
            const int offset = (x + 8 * part) * 4;
            const __m256i words = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row.pixels + offset));
            const __m256i blueRed = _mm256_and_si256(words, lowBytes);
            const __m256i greenAlpha = _mm256_and_si256(_mm256_srli_epi32(words, 8), lowBytes);
            const __m256i sums = _mm256_add_epi32(_mm256_madd_epi16(blueRed, blueRedWeights),
                                                  _mm256_madd_epi16(greenAlpha, greenWeights));
            const __m256i luma = _mm256_srli_epi32(_mm256_add_epi32(sums, half), 8);
            const __m256i stagedWords =
                _mm256_or_si256(_mm256_and_si256(words, colourBytes), _mm256_slli_epi32(luma, 24));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(row.staged + offset), stagedWords);
            if constexpr (CheckGrey)
            {
                differences =
                    _mm256_or_si256(differences, _mm256_xor_si256(words, _mm256_srli_epi32(words, 8)));
            }
            __m256i values = luma;
            if constexpr (!LumaChosen)
            {
                values = _mm256_and_si256(_mm256_srl_epi32(stagedWords, row.shift), low8);
            }
            const int column = x + 8 * part;
            const __m256i columns = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row.above + column));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(row.below + column),
                                _mm256_add_epi32(columns, values));
            spot[part] = values;
        }
        // Packed to 16-bit lanes, the sums of absolute values give the sums
        // over four pixels each, of pixels 0-3, 8-11, 4-7 and 12-15.
        const __m256i quarters = _mm256_sad_epu8(_mm256_packs_epi32(spot[0], spot[1]), zero);
        const __m128i runs =
            _mm_add_epi64(_mm256_castsi256_si128(quarters), _mm256_extracti128_si256(quarters, 1));
        total += static_cast<std::uint32_t>(_mm_cvtsi128_si32(runs));
        row.runPrefix[x / 8 + 1] = total;
        total += static_cast<std::uint32_t>(_mm_extract_epi16(runs, 4));
        row.runPrefix[x / 8 + 2] = total;
        x += 16;
        // Blue ^ green and green ^ red are the low 16 bits of each word.
        if constexpr (CheckGrey)
        {
            if (!_mm256_testz_si256(differences, low16))
            {
                break;
            }
        }
    }
    return x;
}

} // namespace

int StageRowAvx2(const std::uint8_t* pixels, int width, int byte, std::uint8_t* staged,
                 const std::uint32_t* above, std::uint32_t* below, std::uint32_t* runPrefix,
                 std::uint32_t& colourBits)
{
    const Row row{pixels, width, staged, above, below, runPrefix, _mm_cvtsi32_si128(byte * 8)};
    __m256i differences = _mm256_setzero_si256();
    const bool luma = byte == 3;
    // A colour row usually shows it in its first pixels; from there on
    // greyness is no longer looked at.
    int x = luma ? Stage<true, true>(row, 0, differences) : Stage<false, true>(row, 0, differences);
    if (!_mm256_testz_si256(differences, _mm256_set1_epi32(0xFFFF)))
    {
        colourBits |= 1u;
        x = luma ? Stage<true, false>(row, x, differences) : Stage<false, false>(row, x, differences);
    }
    return x;
}

} // namespace TavixMeasure
