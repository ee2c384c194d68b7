// AVX-512 (F and BW) row kernels for the YUV layouts, compiled with
// -mavx512bw and called only after the run-time check of KernelDispatch. The
// arithmetic is that of RowKernelsAvx2.cpp (exact, see there) on 32 pixels at
// a time; the rest of a row goes to the AVX2 kernels. The RGB layouts, which
// are limited by memory rather than arithmetic, use the AVX2 kernels (and
// their streaming ones) but for RGB32 and RGB24.
// The 512-bit unpacks work within each 128-bit lane; the sources are loaded
// with their 64-bit eighths in the order 0, 4 | 1, 5 | 2, 6 | 3, 7 so that the
// unpacked results come out as pixels 0-15 and 16-31.
// Shuffle masks built on the stack are loaded unaligned: Win64 compilers need
// not align the stack to 64 bytes.
#include "Common/capture/convert/RowKernels.h"

#include <immintrin.h>

namespace Common::Convert
{
namespace
{

inline __m512i GroupShuffle(int a, int b, int c, int d)
{
    std::int8_t mask[64];
    for (int i = 0; i < 64; i += 4)
    {
        const int group = i % 16;
        mask[i] = static_cast<std::int8_t>(group + a);
        mask[i + 1] = static_cast<std::int8_t>(group + b);
        mask[i + 2] = static_cast<std::int8_t>(group + c);
        mask[i + 3] = static_cast<std::int8_t>(group + d);
    }
    return _mm512_loadu_si512(mask);
}

inline __m512i Factors(int first, int second)
{
    return _mm512_set1_epi16(static_cast<short>((first & 0xFF) | (second << 8)));
}

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
          blueOffset(_mm512_set1_epi16(k.blue.offset)), greenOffset(_mm512_set1_epi16(k.green.offset)),
          redOffset(_mm512_set1_epi16(k.red.offset)), blueBase(_mm512_set1_epi16(k.blue.base)),
          greenBase(_mm512_set1_epi16(k.green.base)), redBase(_mm512_set1_epi16(k.red.base))
    {
    }
    __m512i blueFraction, blueWhole, redFraction, redWhole, greenFractionU, greenFractionV, greenWhole;
    __m512i blueOffset, greenOffset, redOffset, blueBase, greenBase, redBase;
    __m512i alpha = _mm512_set1_epi16(255);
};

// Converts 32 pixels whose (Y, U) and (Y, V) byte pairs are given (see
// RowKernelsAvx2.cpp) and stores them; `groups` is in eighth order.
inline void YuvToBgra32(__m512i lumaU, __m512i lumaV, const YuvFactors& f, std::uint8_t* destination)
{
    const __m512i blueFraction =
        _mm512_srai_epi16(_mm512_add_epi16(_mm512_maddubs_epi16(lumaU, f.blueFraction), f.blueOffset), 8);
    const __m512i redFraction =
        _mm512_srai_epi16(_mm512_add_epi16(_mm512_maddubs_epi16(lumaV, f.redFraction), f.redOffset), 8);
    const __m512i greenSum = _mm512_add_epi16(_mm512_maddubs_epi16(lumaU, f.greenFractionU),
                                              _mm512_maddubs_epi16(lumaV, f.greenFractionV));
    const __m512i greenFraction = _mm512_srai_epi16(_mm512_add_epi16(greenSum, f.greenOffset), 8);

    const __m512i blue = _mm512_add_epi16(
        _mm512_add_epi16(_mm512_maddubs_epi16(lumaU, f.blueWhole), f.blueBase), blueFraction);
    const __m512i red =
        _mm512_add_epi16(_mm512_add_epi16(_mm512_maddubs_epi16(lumaV, f.redWhole), f.redBase), redFraction);
    const __m512i green = _mm512_add_epi16(
        _mm512_add_epi16(_mm512_maddubs_epi16(lumaV, f.greenWhole), f.greenBase), greenFraction);

    const __m512i blueRed = _mm512_packus_epi16(blue, red);
    const __m512i greenAlpha = _mm512_packus_epi16(green, f.alpha);
    const __m512i blueGreen = _mm512_unpacklo_epi8(blueRed, greenAlpha);
    const __m512i redAlpha = _mm512_unpackhi_epi8(blueRed, greenAlpha);
    _mm512_storeu_si512(destination, _mm512_unpacklo_epi16(blueGreen, redAlpha));
    _mm512_storeu_si512(destination + 64, _mm512_unpackhi_epi16(blueGreen, redAlpha));
}

template <int Y0, int U, int Y1, int V, SourceLayout Layout>
void Packed422(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
               const YuvKernelFactors& yuv)
{
    const YuvFactors factors(yuv);
    const __m512i toLumaU = GroupShuffle(Y0, U, Y1, U);
    const __m512i toLumaV = GroupShuffle(Y0, V, Y1, V);
    const __m512i eighthOrder = _mm512_setr_epi64(0, 4, 1, 5, 2, 6, 3, 7);
    std::int32_t x = 0;
    for (; x + 32 <= count; x += 32)
    {
        const __m512i groups = _mm512_permutexvar_epi64(eighthOrder, _mm512_loadu_si512(source + 2 * x));
        YuvToBgra32(_mm512_shuffle_epi8(groups, toLumaU), _mm512_shuffle_epi8(groups, toLumaV), factors,
                    destination + 4 * x);
    }
    if (x < count)
    {
        GetAvx2RowKernels().packed[static_cast<int>(Layout)](source + 2 * x, destination + 4 * x, count - x,
                                                             yuv);
    }
}

void Yuy2(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
          const YuvKernelFactors& yuv)
{
    Packed422<0, 1, 2, 3, SourceLayout::YUY2>(source, destination, count, yuv);
}

void Yvyu(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
          const YuvKernelFactors& yuv)
{
    Packed422<0, 3, 2, 1, SourceLayout::YVYU>(source, destination, count, yuv);
}

void Uyvy(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
          const YuvKernelFactors& yuv)
{
    Packed422<1, 0, 3, 2, SourceLayout::UYVY>(source, destination, count, yuv);
}

void NV12(const std::uint8_t* luma, const std::uint8_t* chroma, std::uint8_t* destination, std::int32_t count,
          const YuvKernelFactors& yuv)
{
    // 64 pixels at a time. A luma dword and a chroma dword both cover the
    // same 4 pixels; one permutation of each puts dwords i, i + 4, i + 8 and
    // i + 12 into lane i, so that after spreading U and V over their pixels
    // and interleaving them with the luma bytes, the low halves hold pixels
    // 0-31 and the high halves pixels 32-63, each in eighth order.
    const YuvFactors factors(yuv);
    const __m512i order = _mm512_setr_epi32(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15);
    std::int8_t uMask[64];
    std::int8_t vMask[64];
    for (int i = 0; i < 64; ++i)
    {
        uMask[i] = static_cast<std::int8_t>((i % 16) / 2 * 2);
        vMask[i] = static_cast<std::int8_t>((i % 16) / 2 * 2 + 1);
    }
    const __m512i toU = _mm512_loadu_si512(uMask);
    const __m512i toV = _mm512_loadu_si512(vMask);
    std::int32_t x = 0;
    for (; x + 64 <= count; x += 64)
    {
        const __m512i y = _mm512_permutexvar_epi32(order, _mm512_loadu_si512(luma + x));
        const __m512i uv = _mm512_permutexvar_epi32(order, _mm512_loadu_si512(chroma + x));
        const __m512i u = _mm512_shuffle_epi8(uv, toU);
        const __m512i v = _mm512_shuffle_epi8(uv, toV);
        YuvToBgra32(_mm512_unpacklo_epi8(y, u), _mm512_unpacklo_epi8(y, v), factors, destination + 4 * x);
        YuvToBgra32(_mm512_unpackhi_epi8(y, u), _mm512_unpackhi_epi8(y, v), factors,
                    destination + 4 * x + 128);
    }
    if (x < count)
    {
        GetAvx2RowKernels().nv12(luma + x, chroma + x, destination + 4 * x, count - x, yuv);
    }
}

void Rgb32(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
           const YuvKernelFactors& yuv)
{
    const __m512i alpha = _mm512_set1_epi32(static_cast<int>(0xFF000000u));
    std::int32_t x = 0;
    for (; x + 16 <= count; x += 16)
    {
        _mm512_storeu_si512(destination + 4 * x, _mm512_or_si512(_mm512_loadu_si512(source + 4 * x), alpha));
    }
    if (x < count)
    {
        GetAvx2RowKernels().packed[static_cast<int>(SourceLayout::RGB32)](source + 4 * x, destination + 4 * x,
                                                                          count - x, yuv);
    }
}

void Rgb24(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
           const YuvKernelFactors& yuv)
{
    // 16 pixels from one 64-byte load (so at least 64 bytes must remain in
    // the row): dwords 3i to 3i + 2 go to lane i, then each lane spreads its
    // 12 bytes over 4 pixels.
    const __m512i toLanes = _mm512_setr_epi32(0, 1, 2, 0, 3, 4, 5, 0, 6, 7, 8, 0, 9, 10, 11, 0);
    std::int8_t mask[64];
    for (int i = 0; i < 64; ++i)
    {
        mask[i] = static_cast<std::int8_t>(i % 4 == 3 ? -1 : (i % 16) / 4 * 3 + i % 4);
    }
    const __m512i spread = _mm512_loadu_si512(mask);
    const __m512i alpha = _mm512_set1_epi32(static_cast<int>(0xFF000000u));
    std::int32_t x = 0;
    for (; 3 * static_cast<std::int64_t>(x) + 64 <= 3 * static_cast<std::int64_t>(count); x += 16)
    {
        const __m512i bytes = _mm512_permutexvar_epi32(toLanes, _mm512_loadu_si512(source + 3 * x));
        _mm512_storeu_si512(destination + 4 * x, _mm512_or_si512(_mm512_shuffle_epi8(bytes, spread), alpha));
    }
    if (x < count)
    {
        GetAvx2RowKernels().packed[static_cast<int>(SourceLayout::RGB24)](source + 3 * x, destination + 4 * x,
                                                                          count - x, yuv);
    }
}

} // namespace

const RowKernels& GetAvx512RowKernels()
{
    static const RowKernels kernels = []
    {
        RowKernels table = GetAvx2RowKernels();
        table.variant = KernelVariant::Avx512;
        table.name = "avx512";
        table.packed[static_cast<int>(SourceLayout::RGB32)] = Rgb32;
        table.packed[static_cast<int>(SourceLayout::RGB24)] = Rgb24;
        table.packed[static_cast<int>(SourceLayout::YUY2)] = Yuy2;
        table.packed[static_cast<int>(SourceLayout::YVYU)] = Yvyu;
        table.packed[static_cast<int>(SourceLayout::UYVY)] = Uyvy;
        table.nv12 = NV12;
        return table;
    }();
    return kernels;
}

} // namespace Common::Convert
