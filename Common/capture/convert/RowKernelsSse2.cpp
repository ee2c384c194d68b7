// SSE2 row kernels (every x64 processor has SSE2).
// YUV: the exact formula in 16-bit lanes, in the split form of YuvEncoding.h:
//   channel = whole . (Y, U, V) + base + ((fraction . (Y, U, V) + offset) >> 8)
// Luma is in one 16-bit lane a pixel, chroma in pairs of lanes (U then V,
// or V then U) shared by the two pixels of the pair; each pair's chroma
// terms come from one 32-bit multiply-add and are copied to both pixels.
// YuvEncoding.h checks that every term stays within 16 bits, so the results
// equal the 32-bit formula bit for bit; the unsigned saturating pack is the
// clip. The tails use the scalar formulas.
#include "Common/capture/convert/FastCopy.h"
#include "Common/capture/convert/RowKernels.h"
#include "Common/capture/convert/ScalarPixels.h"

#include <immintrin.h>

#include <cstring>

namespace Common::Convert
{
namespace
{

// Copies word 0 of each pair into both words of the pair.
inline __m128i DuplicatePairWord(__m128i value)
{
    constexpr int order = _MM_SHUFFLE(2, 2, 0, 0);
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(value, order), order);
}

// Stores 8 pixels B G R A from 16-bit lanes blue, green, red.
inline void StoreBgra(__m128i blue, __m128i green, __m128i red, std::uint8_t* destination)
{
    const __m128i alpha = _mm_set1_epi16(255);
    const __m128i blueRed = _mm_packus_epi16(blue, red);
    const __m128i greenAlpha = _mm_packus_epi16(green, alpha);
    const __m128i blueGreen = _mm_unpacklo_epi8(blueRed, greenAlpha);
    const __m128i redAlpha = _mm_unpackhi_epi8(blueRed, greenAlpha);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(destination), _mm_unpacklo_epi16(blueGreen, redAlpha));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + 16), _mm_unpackhi_epi16(blueGreen, redAlpha));
}

// One channel's factors: the chroma ones as (first, second) word pairs in
// the order the chroma lanes come in.
struct ChannelFactors
{
    ChannelFactors(const YuvChannelFactors& c, bool vFirst)
        : lumaFraction(_mm_set1_epi16(c.lumaFraction)), lumaWhole(_mm_set1_epi16(c.lumaWhole)),
          chromaFraction(Pair(c.uFraction, c.vFraction, vFirst)),
          chromaWhole(Pair(c.uWhole, c.vWhole, vFirst)), offset(_mm_set1_epi16(c.offset)),
          base(_mm_set1_epi16(c.base))
    {
    }
    static __m128i Pair(int u, int v, bool vFirst)
    {
        const int first = vFirst ? v : u;
        const int second = vFirst ? u : v;
        return _mm_set1_epi32(static_cast<int>((static_cast<unsigned>(second) << 16) |
                                               (static_cast<unsigned>(first) & 0xFFFFu)));
    }
    __m128i lumaFraction, lumaWhole, chromaFraction, chromaWhole, offset, base;
};

struct YuvFactors
{
    YuvFactors(const YuvKernelFactors& k, bool vFirst)
        : blue(k.blue, vFirst), green(k.green, vFirst), red(k.red, vFirst)
    {
    }
    ChannelFactors blue, green, red;
};

inline __m128i Channel(__m128i luma, __m128i chroma, const ChannelFactors& f)
{
    const __m128i fraction = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(luma, f.lumaFraction), f.offset),
                                           DuplicatePairWord(_mm_madd_epi16(chroma, f.chromaFraction)));
    const __m128i whole = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(luma, f.lumaWhole), f.base),
                                        DuplicatePairWord(_mm_madd_epi16(chroma, f.chromaWhole)));
    return _mm_add_epi16(whole, _mm_srai_epi16(fraction, 8));
}

// Converts 8 pixels: luma in 16-bit lanes, chroma as pairs of 16-bit lanes
// shared by the two pixels of the pair.
inline void YuvToBgra8(__m128i luma, __m128i chroma, const YuvFactors& f, std::uint8_t* destination)
{
    StoreBgra(Channel(luma, chroma, f.blue), Channel(luma, chroma, f.green), Channel(luma, chroma, f.red),
              destination);
}

// Packed 4:2:2 with luma in the low byte of each 16-bit word (YUY2, YVYU) or
// in the high byte (UYVY).
template <bool LumaHigh, bool VFirst, int Y0, int U, int Y1, int V>
void Packed422(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
               const YuvKernelFactors& yuv)
{
    const YuvFactors factors(yuv, VFirst);
    const __m128i lowBytes = _mm_set1_epi16(0x00FF);
    std::int32_t x = 0;
    for (; x + 8 <= count; x += 8)
    {
        const __m128i words = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 2 * x));
        const __m128i luma = LumaHigh ? _mm_srli_epi16(words, 8) : _mm_and_si128(words, lowBytes);
        const __m128i chroma = LumaHigh ? _mm_and_si128(words, lowBytes) : _mm_srli_epi16(words, 8);
        YuvToBgra8(luma, chroma, factors, destination + 4 * x);
    }
    Scalar::Packed422Row<Y0, U, Y1, V>(source, destination, x, count, yuv.formula);
}

void Yuy2(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
          const YuvKernelFactors& yuv)
{
    Packed422<false, false, 0, 1, 2, 3>(source, destination, count, yuv);
}

void Yvyu(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
          const YuvKernelFactors& yuv)
{
    Packed422<false, true, 0, 3, 2, 1>(source, destination, count, yuv);
}

void Uyvy(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
          const YuvKernelFactors& yuv)
{
    Packed422<true, false, 1, 0, 3, 2>(source, destination, count, yuv);
}

void NV12(const std::uint8_t* luma, const std::uint8_t* chroma, std::uint8_t* destination, std::int32_t count,
          const YuvKernelFactors& yuv)
{
    const YuvFactors factors(yuv, false);
    const __m128i zero = _mm_setzero_si128();
    std::int32_t x = 0;
    for (; x + 8 <= count; x += 8)
    {
        const __m128i y =
            _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(luma + x)), zero);
        const __m128i uv =
            _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(chroma + x)), zero);
        YuvToBgra8(y, uv, factors, destination + 4 * x);
    }
    Scalar::NV12Row(luma, chroma, destination, x, count, yuv.formula);
}

void Rgb32(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count, const YuvKernelFactors&)
{
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    std::int32_t x = 0;
    for (; x + 4 <= count; x += 4)
    {
        const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 4 * x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + 4 * x), _mm_or_si128(pixels, alpha));
    }
    Scalar::Rgb32Row(source, destination, x, count);
}

void Argb32(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
            const YuvKernelFactors&)
{
    CopyBytes(destination, source, 4 * static_cast<std::size_t>(count));
}

void Rgb24(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count, const YuvKernelFactors&)
{
    // Four-byte loads of three-byte pixels; the last pixel is read bytewise
    // so that no byte past the row is touched.
    std::int32_t x = 0;
    for (; x + 1 < count; ++x)
    {
        std::uint32_t pixel;
        std::memcpy(&pixel, source + 3 * x, 4);
        pixel |= 0xFF000000u;
        std::memcpy(destination + 4 * x, &pixel, 4);
    }
    Scalar::Rgb24Row(source, destination, x, count);
}

// 16-bit pixels: blue and green as one word (blue low), red and alpha as one.
template <bool Is565> void Rgb16(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count)
{
    const __m128i blueMask = _mm_set1_epi16(0x00F8);
    const __m128i greenMask = _mm_set1_epi16(Is565 ? static_cast<short>(0xFC00) : static_cast<short>(0xF800));
    const __m128i alpha = _mm_set1_epi16(static_cast<short>(0xFF00));
    std::int32_t x = 0;
    for (; x + 8 <= count; x += 8)
    {
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 2 * x));
        const __m128i blue = _mm_and_si128(_mm_slli_epi16(p, 3), blueMask);
        const __m128i green = _mm_and_si128(Is565 ? _mm_slli_epi16(p, 5) : _mm_slli_epi16(p, 6), greenMask);
        const __m128i red = _mm_and_si128(Is565 ? _mm_srli_epi16(p, 8) : _mm_srli_epi16(p, 7), blueMask);
        const __m128i blueGreen = _mm_or_si128(blue, green);
        const __m128i redAlpha = _mm_or_si128(red, alpha);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + 4 * x),
                         _mm_unpacklo_epi16(blueGreen, redAlpha));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + 4 * x + 16),
                         _mm_unpackhi_epi16(blueGreen, redAlpha));
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

void Rgb555(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
            const YuvKernelFactors&)
{
    Rgb16<false>(source, destination, count);
}

void Rgb565(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
            const YuvKernelFactors&)
{
    Rgb16<true>(source, destination, count);
}

void Rgb8(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count, const YuvKernelFactors&)
{
    const __m128i alpha = _mm_set1_epi8(static_cast<char>(0xFF));
    std::int32_t x = 0;
    for (; x + 16 <= count; x += 16)
    {
        const __m128i grey = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + x));
        const __m128i greyGrey0 = _mm_unpacklo_epi8(grey, grey);
        const __m128i greyGrey1 = _mm_unpackhi_epi8(grey, grey);
        const __m128i greyAlpha0 = _mm_unpacklo_epi8(grey, alpha);
        const __m128i greyAlpha1 = _mm_unpackhi_epi8(grey, alpha);
        __m128i* out = reinterpret_cast<__m128i*>(destination + 4 * x);
        _mm_storeu_si128(out, _mm_unpacklo_epi16(greyGrey0, greyAlpha0));
        _mm_storeu_si128(out + 1, _mm_unpackhi_epi16(greyGrey0, greyAlpha0));
        _mm_storeu_si128(out + 2, _mm_unpacklo_epi16(greyGrey1, greyAlpha1));
        _mm_storeu_si128(out + 3, _mm_unpackhi_epi16(greyGrey1, greyAlpha1));
    }
    Scalar::Rgb8Row(source, destination, x, count);
}

} // namespace

const RowKernels& GetSse2RowKernels()
{
    static const RowKernels kernels = {
        KernelVariant::Sse2,
        "sse2",
        {Rgb32, Argb32, Rgb24, Rgb555, Rgb565, Rgb8, Yuy2, Yvyu, Uyvy, nullptr},
        NV12,
        {},
        nullptr,
    };
    return kernels;
}

} // namespace Common::Convert
