// AVX2 row kernels, compiled with -mavx2 and called only after the run-time
// check of KernelDispatch. The YUV arithmetic is the 16-bit formulation of
// RowKernelsSse2.cpp (exact, see there) on 16 pixels at a time.
// The 256-bit unpacks work within each 128-bit lane; the sources are loaded
// with their 64-bit quarters in the order 0, 2 | 1, 3 so that the unpacked
// results come out as pixels 0-7 and 8-15 without a final shuffle.
#include "Common/capture/convert/RowKernels.h"
#include "Common/capture/convert/ScalarPixels.h"

#include <immintrin.h>

#include <cstring>

namespace Common::Convert
{
namespace
{

constexpr int QuarterOrder = _MM_SHUFFLE(3, 1, 2, 0);

inline __m256i Load256(const std::uint8_t* source)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source));
}

inline __m128i Load128(const std::uint8_t* source)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(source));
}

inline void Store256(std::uint8_t* destination, __m256i value)
{
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(destination), value);
}

// Byte shuffle that copies word 0 (Odd: word 1) of each 32-bit pair into both words.
template <bool Odd> inline __m256i PairWordMask()
{
    return Odd ? _mm256_setr_epi8(2, 3, 2, 3, 6, 7, 6, 7, 10, 11, 10, 11, 14, 15, 14, 15, //
                                  2, 3, 2, 3, 6, 7, 6, 7, 10, 11, 10, 11, 14, 15, 14, 15)
               : _mm256_setr_epi8(0, 1, 0, 1, 4, 5, 4, 5, 8, 9, 8, 9, 12, 13, 12, 13, //
                                  0, 1, 0, 1, 4, 5, 4, 5, 8, 9, 8, 9, 12, 13, 12, 13);
}

// Stores 16 pixels B G R A from 16-bit lanes in quarter order.
inline void StoreBgra(__m256i blue, __m256i green, __m256i red, std::uint8_t* destination)
{
    const __m256i alpha = _mm256_set1_epi16(255);
    const __m256i blueRed = _mm256_packus_epi16(blue, red);
    const __m256i greenAlpha = _mm256_packus_epi16(green, alpha);
    const __m256i blueGreen = _mm256_unpacklo_epi8(blueRed, greenAlpha);
    const __m256i redAlpha = _mm256_unpackhi_epi8(blueRed, greenAlpha);
    Store256(destination, _mm256_unpacklo_epi16(blueGreen, redAlpha));
    Store256(destination + 32, _mm256_unpackhi_epi16(blueGreen, redAlpha));
}

template <bool VFirst> inline void YuvToBgra16(__m256i luma, __m256i chroma, std::uint8_t* destination)
{
    const __m256i yd = _mm256_sub_epi16(luma, _mm256_set1_epi16(16));
    const __m256i lumaPart =
        _mm256_add_epi16(_mm256_mullo_epi16(yd, _mm256_set1_epi16(42)), _mm256_set1_epi16(128));
    const __m256i cd = _mm256_sub_epi16(chroma, _mm256_set1_epi16(128));
    const __m256i blueRedFactors =
        VFirst ? _mm256_set1_epi32(4 << 16 | 153) : _mm256_set1_epi32(153 << 16 | 4);
    const __m256i greenFactors =
        VFirst ? _mm256_set1_epi32(static_cast<int>(0xFF9C0030u)) : _mm256_set1_epi32(0x0030FF9C);
    const __m256i blueRed = _mm256_mullo_epi16(cd, blueRedFactors);
    const __m256i green32 = _mm256_madd_epi16(cd, greenFactors);
    const __m256i uMask = PairWordMask<VFirst>();
    const __m256i vMask = PairWordMask<!VFirst>();
    const __m256i ud = _mm256_shuffle_epi8(cd, uMask);
    const __m256i vd = _mm256_shuffle_epi8(cd, vMask);
    const __m256i blueFraction = _mm256_shuffle_epi8(blueRed, uMask);
    const __m256i redFraction = _mm256_shuffle_epi8(blueRed, vMask);
    const __m256i greenFraction = _mm256_shuffle_epi8(green32, PairWordMask<false>());

    const __m256i blue = _mm256_add_epi16(_mm256_add_epi16(yd, _mm256_add_epi16(ud, ud)),
                                          _mm256_srai_epi16(_mm256_add_epi16(lumaPart, blueFraction), 8));
    const __m256i green = _mm256_add_epi16(_mm256_sub_epi16(yd, vd),
                                           _mm256_srai_epi16(_mm256_add_epi16(lumaPart, greenFraction), 8));
    const __m256i red = _mm256_add_epi16(_mm256_add_epi16(yd, vd),
                                         _mm256_srai_epi16(_mm256_add_epi16(lumaPart, redFraction), 8));
    StoreBgra(blue, green, red, destination);
}

template <bool LumaHigh, bool VFirst, int Y0, int U, int Y1, int V>
void Packed422(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count)
{
    const __m256i lowBytes = _mm256_set1_epi16(0x00FF);
    std::int32_t x = 0;
    for (; x + 16 <= count; x += 16)
    {
        const __m256i words = _mm256_permute4x64_epi64(Load256(source + 2 * x), QuarterOrder);
        const __m256i luma = LumaHigh ? _mm256_srli_epi16(words, 8) : _mm256_and_si256(words, lowBytes);
        const __m256i chroma = LumaHigh ? _mm256_and_si256(words, lowBytes) : _mm256_srli_epi16(words, 8);
        YuvToBgra16<VFirst>(luma, chroma, destination + 4 * x);
    }
    Scalar::Packed422Row<Y0, U, Y1, V>(source, destination, x, count);
}

void Yuy2(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count)
{
    Packed422<false, false, 0, 1, 2, 3>(source, destination, count);
}

void Yvyu(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count)
{
    Packed422<false, true, 0, 3, 2, 1>(source, destination, count);
}

void Uyvy(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count)
{
    Packed422<true, false, 1, 0, 3, 2>(source, destination, count);
}

void NV12(const std::uint8_t* luma, const std::uint8_t* chroma, std::uint8_t* destination, std::int32_t count)
{
    std::int32_t x = 0;
    for (; x + 16 <= count; x += 16)
    {
        const __m256i y = _mm256_permute4x64_epi64(_mm256_cvtepu8_epi16(Load128(luma + x)), QuarterOrder);
        const __m256i uv = _mm256_permute4x64_epi64(_mm256_cvtepu8_epi16(Load128(chroma + x)), QuarterOrder);
        YuvToBgra16<false>(y, uv, destination + 4 * x);
    }
    Scalar::NV12Row(luma, chroma, destination, x, count);
}

void Rgb32(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count)
{
    const __m256i alpha = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    std::int32_t x = 0;
    for (; x + 16 <= count; x += 16)
    {
        const __m256i first = Load256(source + 4 * x);
        const __m256i second = Load256(source + 4 * x + 32);
        Store256(destination + 4 * x, _mm256_or_si256(first, alpha));
        Store256(destination + 4 * x + 32, _mm256_or_si256(second, alpha));
    }
    Scalar::Rgb32Row(source, destination, x, count);
}

void Argb32(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count)
{
    std::memcpy(destination, source, 4 * static_cast<std::size_t>(count));
}

void Rgb24(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count)
{
    // 16 pixels = 48 source bytes, read as four 16-byte loads at 0, 12, 24
    // and 32 (the last one holds pixels 12-15 in its bytes 4-15), so nothing
    // past the 48 bytes is read.
    const __m256i firstMask = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, //
                                               0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m256i secondMask = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, //
                                                4, 5, 6, -1, 7, 8, 9, -1, 10, 11, 12, -1, 13, 14, 15, -1);
    const __m256i alpha = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    std::int32_t x = 0;
    for (; x + 16 <= count; x += 16)
    {
        const std::uint8_t* in = source + 3 * x;
        const __m256i first =
            _mm256_inserti128_si256(_mm256_castsi128_si256(Load128(in)), Load128(in + 12), 1);
        const __m256i second =
            _mm256_inserti128_si256(_mm256_castsi128_si256(Load128(in + 24)), Load128(in + 32), 1);
        Store256(destination + 4 * x, _mm256_or_si256(_mm256_shuffle_epi8(first, firstMask), alpha));
        Store256(destination + 4 * x + 32, _mm256_or_si256(_mm256_shuffle_epi8(second, secondMask), alpha));
    }
    Scalar::Rgb24Row(source, destination, x, count);
}

template <bool Is565> void Rgb16(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count)
{
    const __m256i blueMask = _mm256_set1_epi16(0x00F8);
    const __m256i greenMask =
        _mm256_set1_epi16(Is565 ? static_cast<short>(0xFC00) : static_cast<short>(0xF800));
    const __m256i alpha = _mm256_set1_epi16(static_cast<short>(0xFF00));
    std::int32_t x = 0;
    for (; x + 16 <= count; x += 16)
    {
        const __m256i p = _mm256_permute4x64_epi64(Load256(source + 2 * x), QuarterOrder);
        const __m256i blue = _mm256_and_si256(_mm256_slli_epi16(p, 3), blueMask);
        const __m256i green =
            _mm256_and_si256(Is565 ? _mm256_slli_epi16(p, 5) : _mm256_slli_epi16(p, 6), greenMask);
        const __m256i red =
            _mm256_and_si256(Is565 ? _mm256_srli_epi16(p, 8) : _mm256_srli_epi16(p, 7), blueMask);
        const __m256i blueGreen = _mm256_or_si256(blue, green);
        const __m256i redAlpha = _mm256_or_si256(red, alpha);
        Store256(destination + 4 * x, _mm256_unpacklo_epi16(blueGreen, redAlpha));
        Store256(destination + 4 * x + 32, _mm256_unpackhi_epi16(blueGreen, redAlpha));
    }
    if (Is565)
    {
        Scalar::Rgb565Row(source, destination, x, count);
    }
    else
    {
        Scalar::Rgb555Row(source, destination, x, count);
    }
}

void Rgb555(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count)
{
    Rgb16<false>(source, destination, count);
}

void Rgb565(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count)
{
    Rgb16<true>(source, destination, count);
}

void Rgb8(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count)
{
    const __m256i alpha = _mm256_set1_epi16(static_cast<short>(0xFF00));
    std::int32_t x = 0;
    for (; x + 32 <= count; x += 32)
    {
        for (int half = 0; half < 2; ++half)
        {
            const __m256i grey =
                _mm256_permute4x64_epi64(_mm256_cvtepu8_epi16(Load128(source + x + 16 * half)), QuarterOrder);
            const __m256i greyGrey = _mm256_or_si256(grey, _mm256_slli_epi16(grey, 8));
            const __m256i greyAlpha = _mm256_or_si256(grey, alpha);
            std::uint8_t* out = destination + 4 * (x + 16 * half);
            Store256(out, _mm256_unpacklo_epi16(greyGrey, greyAlpha));
            Store256(out + 32, _mm256_unpackhi_epi16(greyGrey, greyAlpha));
        }
    }
    Scalar::Rgb8Row(source, destination, x, count);
}

} // namespace

const RowKernels& GetAvx2RowKernels()
{
    static const RowKernels kernels = {
        KernelVariant::Avx2,
        "avx2",
        {Rgb32, Argb32, Rgb24, Rgb555, Rgb565, Rgb8, Yuy2, Yvyu, Uyvy, nullptr},
        NV12,
    };
    return kernels;
}

} // namespace Common::Convert
