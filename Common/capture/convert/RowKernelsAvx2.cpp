// AVX2 row kernels, compiled with -mavx2 and called only after the run-time
// check of KernelDispatch. The YUV arithmetic is exact in 16-bit lanes (see
// YuvToBgra below), 16 pixels at a time. The RGB layouts also have
// streaming kernels (stores around the cache, for frames larger than it),
// which the AVX-512 variants use as well.
// The 256-bit unpacks work within each 128-bit lane; the sources are loaded
// with their 64-bit quarters in the order 0, 2 | 1, 3 so that the unpacked
// results come out as pixels 0-7 and 8-15 without a final shuffle.
#include "Common/capture/convert/FastCopy.h"
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

// Byte shuffle of 4-byte groups: each group (a, b, c, d) takes the group's
// bytes at those offsets, in both 128-bit lanes. (Built on the stack and
// loaded unaligned: Win64 compilers need not align the stack to 32 bytes.)
inline __m256i GroupShuffle(int a, int b, int c, int d)
{
    std::int8_t mask[32];
    for (int i = 0; i < 32; i += 4)
    {
        const int group = i % 16;
        mask[i] = static_cast<std::int8_t>(group + a);
        mask[i + 1] = static_cast<std::int8_t>(group + b);
        mask[i + 2] = static_cast<std::int8_t>(group + c);
        mask[i + 3] = static_cast<std::int8_t>(group + d);
    }
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(mask));
}

// Signed byte factors (first, second) for every 16-bit word.
inline __m256i Factors(int first, int second)
{
    return _mm256_set1_epi16(static_cast<short>((first & 0xFF) | (second << 8)));
}

// The YUV formula on byte pairs, in the split form of YuvEncoding.h. Each
// 16-bit word of lumaU holds (Y, U) of one pixel and the same word of lumaV
// holds (Y, V); one multiply-add of unsigned bytes by signed factors gives
// each term:
//   blue  = (whole . (Y, U) + base) + ((fraction . (Y, U) + offset) >> 8)
//   red   = (whole . (Y, V) + base) + ((fraction . (Y, V) + offset) >> 8)
//   green = (whole . (Y, V) + base)
//         + ((fraction . (Y, U) + (0, vFraction) . (Y, V) + offset) >> 8)
// YuvEncoding.h checks at compile time that no sum leaves 16 bits, so the
// results equal the 32-bit formula bit for bit; the unsigned saturating
// pack is the clip. Returns the pixels of the low and high halves of each
// 128-bit lane.
struct Bgra16
{
    __m256i low;
    __m256i high;
};

struct YuvFactors
{
    explicit YuvFactors(const YuvKernelFactors& k)
        : blueFraction(Factors(k.blue.lumaFraction, k.blue.uFraction)),
          blueWhole(Factors(k.blue.lumaWhole, k.blue.uWhole)),
          redFraction(Factors(k.red.lumaFraction, k.red.vFraction)),
          redWhole(Factors(k.red.lumaWhole, k.red.vWhole)),
          greenFractionU(Factors(k.green.lumaFraction, k.green.uFraction)),
          greenFractionV(Factors(0, k.green.vFraction)),
          greenWhole(Factors(k.green.lumaWhole, k.green.vWhole)),
          blueOffset(_mm256_set1_epi16(k.blue.offset)), greenOffset(_mm256_set1_epi16(k.green.offset)),
          redOffset(_mm256_set1_epi16(k.red.offset)), blueBase(_mm256_set1_epi16(k.blue.base)),
          greenBase(_mm256_set1_epi16(k.green.base)), redBase(_mm256_set1_epi16(k.red.base))
    {
    }
    __m256i blueFraction, blueWhole, redFraction, redWhole, greenFractionU, greenFractionV, greenWhole;
    __m256i blueOffset, greenOffset, redOffset, blueBase, greenBase, redBase;
    __m256i alpha = _mm256_set1_epi16(255);
};

inline Bgra16 YuvToBgra(__m256i lumaU, __m256i lumaV, const YuvFactors& f)
{
    const __m256i blueFraction =
        _mm256_srai_epi16(_mm256_add_epi16(_mm256_maddubs_epi16(lumaU, f.blueFraction), f.blueOffset), 8);
    const __m256i redFraction =
        _mm256_srai_epi16(_mm256_add_epi16(_mm256_maddubs_epi16(lumaV, f.redFraction), f.redOffset), 8);
    const __m256i greenSum = _mm256_add_epi16(_mm256_maddubs_epi16(lumaU, f.greenFractionU),
                                              _mm256_maddubs_epi16(lumaV, f.greenFractionV));
    const __m256i greenFraction = _mm256_srai_epi16(_mm256_add_epi16(greenSum, f.greenOffset), 8);

    const __m256i blue = _mm256_add_epi16(
        _mm256_add_epi16(_mm256_maddubs_epi16(lumaU, f.blueWhole), f.blueBase), blueFraction);
    const __m256i red =
        _mm256_add_epi16(_mm256_add_epi16(_mm256_maddubs_epi16(lumaV, f.redWhole), f.redBase), redFraction);
    const __m256i green = _mm256_add_epi16(
        _mm256_add_epi16(_mm256_maddubs_epi16(lumaV, f.greenWhole), f.greenBase), greenFraction);

    const __m256i blueRed = _mm256_packus_epi16(blue, red);
    const __m256i greenAlpha = _mm256_packus_epi16(green, f.alpha);
    const __m256i blueGreen = _mm256_unpacklo_epi8(blueRed, greenAlpha);
    const __m256i redAlpha = _mm256_unpackhi_epi8(blueRed, greenAlpha);
    return {_mm256_unpacklo_epi16(blueGreen, redAlpha), _mm256_unpackhi_epi16(blueGreen, redAlpha)};
}

// Packed 4:2:2: Y0, U, Y1, V give the offsets of the samples in each group.
template <int Y0, int U, int Y1, int V>
void Packed422(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
               const YuvKernelFactors& yuv)
{
    const YuvFactors factors(yuv);
    const __m256i toLumaU = GroupShuffle(Y0, U, Y1, U);
    const __m256i toLumaV = GroupShuffle(Y0, V, Y1, V);
    std::int32_t x = 0;
    for (; x + 16 <= count; x += 16)
    {
        const __m256i groups = _mm256_permute4x64_epi64(Load256(source + 2 * x), QuarterOrder);
        const Bgra16 pixels =
            YuvToBgra(_mm256_shuffle_epi8(groups, toLumaU), _mm256_shuffle_epi8(groups, toLumaV), factors);
        Store256(destination + 4 * x, pixels.low);
        Store256(destination + 4 * x + 32, pixels.high);
    }
    Scalar::Packed422Row<Y0, U, Y1, V>(source, destination, x, count, yuv.formula);
}

void Yuy2(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
          const YuvKernelFactors& yuv)
{
    Packed422<0, 1, 2, 3>(source, destination, count, yuv);
}

void Yvyu(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
          const YuvKernelFactors& yuv)
{
    Packed422<0, 3, 2, 1>(source, destination, count, yuv);
}

void Uyvy(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
          const YuvKernelFactors& yuv)
{
    Packed422<1, 0, 3, 2>(source, destination, count, yuv);
}

void NV12(const std::uint8_t* luma, const std::uint8_t* chroma, std::uint8_t* destination, std::int32_t count,
          const YuvKernelFactors& yuv)
{
    // 32 pixels at a time: luma and chroma bytes interleaved give YUY2
    // groups, pixels 0-7 and 16-23 in one register, 8-15 and 24-31 in the
    // other; the results are put back in order when stored.
    const YuvFactors factors(yuv);
    const __m256i toLumaU = GroupShuffle(0, 1, 2, 1);
    const __m256i toLumaV = GroupShuffle(0, 3, 2, 3);
    std::int32_t x = 0;
    for (; x + 32 <= count; x += 32)
    {
        const __m256i y = Load256(luma + x);
        const __m256i uv = Load256(chroma + x);
        const __m256i first = _mm256_unpacklo_epi8(y, uv);
        const __m256i second = _mm256_unpackhi_epi8(y, uv);
        const Bgra16 a =
            YuvToBgra(_mm256_shuffle_epi8(first, toLumaU), _mm256_shuffle_epi8(first, toLumaV), factors);
        const Bgra16 b =
            YuvToBgra(_mm256_shuffle_epi8(second, toLumaU), _mm256_shuffle_epi8(second, toLumaV), factors);
        std::uint8_t* out = destination + 4 * x;
        Store256(out, _mm256_permute2x128_si256(a.low, a.high, 0x20));
        Store256(out + 32, _mm256_permute2x128_si256(b.low, b.high, 0x20));
        Store256(out + 64, _mm256_permute2x128_si256(a.low, a.high, 0x31));
        Store256(out + 96, _mm256_permute2x128_si256(b.low, b.high, 0x31));
    }
    Scalar::NV12Row(luma, chroma, destination, x, count, yuv.formula);
}

// The RGB kernels come in two kinds: plain, and (Stream) storing around the
// cache with a store fence at the end, for frames too large to stay in it
// (see RowKernels.h). A streaming kernel converts the pixels before the first
// 32-byte boundary of the destination the scalar way; a destination that is
// not 4-byte aligned is converted plainly.
template <bool Stream> inline void Store(std::uint8_t* destination, __m256i value)
{
    if constexpr (Stream)
    {
        _mm256_stream_si256(reinterpret_cast<__m256i*>(destination), value);
    }
    else
    {
        Store256(destination, value);
    }
}

// The first pixel the vector loop converts: 0 for plain kernels; for
// streaming ones the first on a 32-byte boundary (at most `count`), or -1
// when the destination is not 4-byte aligned.
template <bool Stream> inline std::int32_t VectorStart(const std::uint8_t* destination, std::int32_t count)
{
    if constexpr (!Stream)
    {
        static_cast<void>(destination);
        static_cast<void>(count);
        return 0;
    }
    else
    {
        const auto misalignment =
            static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(destination) % 32);
        if (misalignment % 4 != 0)
        {
            return -1;
        }
        const std::int32_t head = misalignment == 0 ? 0 : (32 - misalignment) / 4;
        return head < count ? head : count;
    }
}

template <bool Stream> inline void EndStores()
{
    if constexpr (Stream)
    {
        _mm_sfence();
    }
}

template <bool Stream>
void Rgb32(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
           const YuvKernelFactors& yuv)
{
    std::int32_t x = VectorStart<Stream>(destination, count);
    if (x < 0)
    {
        Rgb32<false>(source, destination, count, yuv);
        return;
    }
    Scalar::Rgb32Row(source, destination, 0, x);
    const __m256i alpha = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    for (; x + 16 <= count; x += 16)
    {
        const __m256i first = Load256(source + 4 * x);
        const __m256i second = Load256(source + 4 * x + 32);
        Store<Stream>(destination + 4 * x, _mm256_or_si256(first, alpha));
        Store<Stream>(destination + 4 * x + 32, _mm256_or_si256(second, alpha));
    }
    EndStores<Stream>();
    Scalar::Rgb32Row(source, destination, x, count);
}

void Argb32(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
            const YuvKernelFactors&)
{
    CopyBytes(destination, source, 4 * static_cast<std::size_t>(count));
}

void StreamingArgb32(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
                     const YuvKernelFactors& yuv)
{
    std::int32_t x = VectorStart<true>(destination, count);
    if (x < 0)
    {
        Argb32(source, destination, count, yuv);
        return;
    }
    std::memcpy(destination, source, 4 * static_cast<std::size_t>(x));
    for (; x + 16 <= count; x += 16)
    {
        Store<true>(destination + 4 * x, Load256(source + 4 * x));
        Store<true>(destination + 4 * x + 32, Load256(source + 4 * x + 32));
    }
    EndStores<true>();
    std::memcpy(destination + 4 * x, source + 4 * x, 4 * static_cast<std::size_t>(count - x));
}

template <bool Stream>
void Rgb24(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
           const YuvKernelFactors& yuv)
{
    std::int32_t x = VectorStart<Stream>(destination, count);
    if (x < 0)
    {
        Rgb24<false>(source, destination, count, yuv);
        return;
    }
    Scalar::Rgb24Row(source, destination, 0, x);
    // 16 pixels = 48 source bytes, read as four 16-byte loads at 0, 12, 24
    // and 32 (the last one holds pixels 12-15 in its bytes 4-15), so nothing
    // past the 48 bytes is read.
    const __m256i firstMask = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, //
                                               0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m256i secondMask = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, //
                                                4, 5, 6, -1, 7, 8, 9, -1, 10, 11, 12, -1, 13, 14, 15, -1);
    const __m256i alpha = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    for (; x + 16 <= count; x += 16)
    {
        const std::uint8_t* in = source + 3 * x;
        const __m256i first =
            _mm256_inserti128_si256(_mm256_castsi128_si256(Load128(in)), Load128(in + 12), 1);
        const __m256i second =
            _mm256_inserti128_si256(_mm256_castsi128_si256(Load128(in + 24)), Load128(in + 32), 1);
        Store<Stream>(destination + 4 * x, _mm256_or_si256(_mm256_shuffle_epi8(first, firstMask), alpha));
        Store<Stream>(destination + 4 * x + 32,
                      _mm256_or_si256(_mm256_shuffle_epi8(second, secondMask), alpha));
    }
    EndStores<Stream>();
    Scalar::Rgb24Row(source, destination, x, count);
}

template <bool Is565>
void Rgb16Row(const std::uint8_t* source, std::uint8_t* destination, std::int32_t first, std::int32_t count)
{
    if (Is565)
    {
        Scalar::Rgb565Row(source, destination, first, count);
    }
    else
    {
        Scalar::Rgb555Row(source, destination, first, count);
    }
}

template <bool Is565, bool Stream>
void Rgb16(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count)
{
    std::int32_t x = VectorStart<Stream>(destination, count);
    if (x < 0)
    {
        Rgb16<Is565, false>(source, destination, count);
        return;
    }
    Rgb16Row<Is565>(source, destination, 0, x);
    const __m256i blueMask = _mm256_set1_epi16(0x00F8);
    const __m256i greenMask =
        _mm256_set1_epi16(Is565 ? static_cast<short>(0xFC00) : static_cast<short>(0xF800));
    const __m256i alpha = _mm256_set1_epi16(static_cast<short>(0xFF00));
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
        Store<Stream>(destination + 4 * x, _mm256_unpacklo_epi16(blueGreen, redAlpha));
        Store<Stream>(destination + 4 * x + 32, _mm256_unpackhi_epi16(blueGreen, redAlpha));
    }
    EndStores<Stream>();
    Rgb16Row<Is565>(source, destination, x, count);
}

template <bool Stream>
void Rgb555(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
            const YuvKernelFactors&)
{
    Rgb16<false, Stream>(source, destination, count);
}

template <bool Stream>
void Rgb565(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
            const YuvKernelFactors&)
{
    Rgb16<true, Stream>(source, destination, count);
}

template <bool Stream>
void Rgb8(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
          const YuvKernelFactors& yuv)
{
    std::int32_t x = VectorStart<Stream>(destination, count);
    if (x < 0)
    {
        Rgb8<false>(source, destination, count, yuv);
        return;
    }
    Scalar::Rgb8Row(source, destination, 0, x);
    // 16 grey bytes in both lanes; each shuffle spreads 8 of them (4 a lane)
    // over blue, green and red, leaving alpha zero for the OR.
    const __m256i spread[2] = {
        _mm256_setr_epi8(0, 0, 0, -1, 1, 1, 1, -1, 2, 2, 2, -1, 3, 3, 3, -1, //
                         4, 4, 4, -1, 5, 5, 5, -1, 6, 6, 6, -1, 7, 7, 7, -1),
        _mm256_setr_epi8(8, 8, 8, -1, 9, 9, 9, -1, 10, 10, 10, -1, 11, 11, 11, -1, //
                         12, 12, 12, -1, 13, 13, 13, -1, 14, 14, 14, -1, 15, 15, 15, -1),
    };
    const __m256i alpha = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    for (; x + 16 <= count; x += 16)
    {
        const __m256i grey = _mm256_broadcastsi128_si256(Load128(source + x));
        Store<Stream>(destination + 4 * x, _mm256_or_si256(_mm256_shuffle_epi8(grey, spread[0]), alpha));
        Store<Stream>(destination + 4 * x + 32, _mm256_or_si256(_mm256_shuffle_epi8(grey, spread[1]), alpha));
    }
    EndStores<Stream>();
    Scalar::Rgb8Row(source, destination, x, count);
}

} // namespace

const RowKernels& GetAvx2RowKernels()
{
    static const RowKernels kernels = {
        KernelVariant::Avx2,
        "avx2",
        {Rgb32<false>, Argb32, Rgb24<false>, Rgb555<false>, Rgb565<false>, Rgb8<false>, Yuy2, Yvyu, Uyvy,
         nullptr},
        NV12,
        {Rgb32<true>, StreamingArgb32, Rgb24<true>, Rgb555<true>, Rgb565<true>, Rgb8<true>, nullptr, nullptr,
         nullptr, nullptr},
        nullptr,
    };
    return kernels;
}

} // namespace Common::Convert
