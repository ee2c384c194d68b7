// AVX-512 VBMI row kernels for the YUV layouts, compiled with -mavx512vbmi
// and called only after the run-time check of KernelDispatch. The arithmetic
// is that of RowKernelsAvx2.cpp (exact, see there) on 32 pixels at a time.
// What VBMI adds are byte permutes across the whole register: one builds the
// (Y, U) and one the (Y, V) byte pairs straight from the source, and two
// two-register permutes interleave the packed blue, red, green and alpha
// bytes into pixel order. That is three instructions fewer for every 32
// pixels than the AVX-512 BW kernels need for the same moves, on processors
// (such as AMD's) that run a 512-bit instruction as two 256-bit halves and
// are limited by the count of instructions rather than by their width.
// Frames larger than the cache take the streaming variants (see
// RowKernels.h): their stores go around the cache, so the destination lines
// are not read first. The rest of a row goes to the AVX-512 BW kernels; the
// RGB layouts use them throughout.
// The index tables are constants, loaded unaligned (they need not be 64-byte
// aligned), so a call for a short row costs no more than the loads.
#include "Common/capture/convert/RowKernels.h"

#include <immintrin.h>

namespace Common::Convert
{
namespace
{

// A plain array in a struct of this file: std::array's members would be
// code shared with the other kernel files.
struct IndexTable
{
    std::int8_t bytes[64];
};

// After the packs, lane k of blueRed holds blue of pixels 8k to 8k + 7, then
// their red; lane k of greenAlpha their green, then alpha. Output byte
// 4p + c takes its channel c of pixel p from there (indices from 64 on
// address the second register). `half` 0 gives pixels 0-15, 1 pixels 16-31.
constexpr IndexTable OutputIndices(int half)
{
    IndexTable indices{};
    for (int j = 0; j < 64; ++j)
    {
        const int pixel = (64 * half + j) / 4;
        const int channel = j % 4;
        const int position = pixel / 8 * 16 + pixel % 8 + (channel >= 2 ? 8 : 0);
        indices.bytes[j] = static_cast<std::int8_t>(position + (channel % 2 == 1 ? 64 : 0));
    }
    return indices;
}

// Packed 4:2:2 groups to (Y, U) (Chroma = U) or (Y, V) byte pairs, one word
// a pixel.
constexpr IndexTable PackedPairIndices(int y0, int y1, int chroma)
{
    IndexTable indices{};
    for (int i = 0; i < 64; ++i)
    {
        const int group = i / 4 * 4;
        indices.bytes[i] = static_cast<std::int8_t>(group + (i % 2 == 1 ? chroma : (i % 4 == 0 ? y0 : y1)));
    }
    return indices;
}

// 32 luma bytes (first register) and their 16 chroma pairs (second) to
// (Y, U) or (Y, V) byte pairs: word i takes luma byte i and byte `chroma`
// (0 for U, 1 for V) of pair i / 2.
constexpr IndexTable PlanarPairIndices(int chroma)
{
    IndexTable indices{};
    for (int i = 0; i < 64; ++i)
    {
        const int pixel = i / 2;
        indices.bytes[i] = static_cast<std::int8_t>(i % 2 == 0 ? pixel : 64 + pixel / 2 * 2 + chroma);
    }
    return indices;
}

constexpr IndexTable FirstOutput = OutputIndices(0);
constexpr IndexTable SecondOutput = OutputIndices(1);
constexpr IndexTable PlanarLumaU = PlanarPairIndices(0);
constexpr IndexTable PlanarLumaV = PlanarPairIndices(1);

inline __m512i Load(const IndexTable& table)
{
    return _mm512_loadu_si512(table.bytes);
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
    __m512i firstOutput = Load(FirstOutput);
    __m512i secondOutput = Load(SecondOutput);
};

// Converts 32 pixels, in order, from their (Y, U) and (Y, V) byte pairs and
// stores them (Stream: around the cache, to a 64-byte aligned destination).
template <bool Stream>
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
    const __m512i first = _mm512_permutex2var_epi8(blueRed, f.firstOutput, greenAlpha);
    const __m512i second = _mm512_permutex2var_epi8(blueRed, f.secondOutput, greenAlpha);
    if constexpr (Stream)
    {
        _mm512_stream_si512(reinterpret_cast<__m512i*>(destination), first);
        _mm512_stream_si512(reinterpret_cast<__m512i*>(destination + 64), second);
    }
    else
    {
        _mm512_storeu_si512(destination, first);
        _mm512_storeu_si512(destination + 64, second);
    }
}

// Pixels to convert before the destination is 64-byte aligned, or -1 when
// it cannot be (it is not 8-byte aligned, so the count would split a pixel
// or a chroma pair).
inline std::int32_t PixelsToAlignment(const std::uint8_t* destination)
{
    const auto misalignment = static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(destination) % 64);
    if (misalignment % 8 != 0)
    {
        return -1;
    }
    return misalignment == 0 ? 0 : (64 - misalignment) / 4;
}

// Packed 4:2:2: Y0, U, Y1, V give the offsets of the samples in each group.
template <int Y0, int U, int Y1, int V, SourceLayout Layout, bool Stream>
void Packed422(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
               const YuvKernelFactors& yuv)
{
    const PackedRowKernel rest = GetAvx512RowKernels().packed[static_cast<int>(Layout)];
    std::int32_t x = 0;
    if constexpr (Stream)
    {
        x = PixelsToAlignment(destination);
        if (x < 0 || x >= count)
        {
            rest(source, destination, count, yuv);
            return;
        }
        rest(source, destination, x, yuv);
    }
    static constexpr IndexTable LumaU = PackedPairIndices(Y0, Y1, U);
    static constexpr IndexTable LumaV = PackedPairIndices(Y0, Y1, V);
    const YuvFactors factors(yuv);
    const __m512i toLumaU = Load(LumaU);
    const __m512i toLumaV = Load(LumaV);
    for (; x + 32 <= count; x += 32)
    {
        const __m512i groups = _mm512_loadu_si512(source + 2 * x);
        YuvToBgra32<Stream>(_mm512_permutexvar_epi8(toLumaU, groups),
                            _mm512_permutexvar_epi8(toLumaV, groups), factors, destination + 4 * x);
    }
    if constexpr (Stream)
    {
        _mm_sfence();
    }
    if (x < count)
    {
        rest(source + 2 * x, destination + 4 * x, count - x, yuv);
    }
}

template <bool Stream>
void NV12(const std::uint8_t* luma, const std::uint8_t* chroma, std::uint8_t* destination, std::int32_t count,
          const YuvKernelFactors& yuv)
{
    const NV12RowKernel rest = GetAvx512RowKernels().nv12;
    std::int32_t x = 0;
    if constexpr (Stream)
    {
        x = PixelsToAlignment(destination);
        if (x < 0 || x >= count)
        {
            rest(luma, chroma, destination, count, yuv);
            return;
        }
        rest(luma, chroma, destination, x, yuv);
    }
    const YuvFactors factors(yuv);
    const __m512i toLumaU = Load(PlanarLumaU);
    const __m512i toLumaV = Load(PlanarLumaV);
    for (; x + 32 <= count; x += 32)
    {
        const __m512i y =
            _mm512_castsi256_si512(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(luma + x)));
        const __m512i uv =
            _mm512_castsi256_si512(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(chroma + x)));
        YuvToBgra32<Stream>(_mm512_permutex2var_epi8(y, toLumaU, uv),
                            _mm512_permutex2var_epi8(y, toLumaV, uv), factors, destination + 4 * x);
    }
    if constexpr (Stream)
    {
        _mm_sfence();
    }
    if (x < count)
    {
        rest(luma + x, chroma + x, destination + 4 * x, count - x, yuv);
    }
}

template <bool Stream>
void Yuy2(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
          const YuvKernelFactors& yuv)
{
    Packed422<0, 1, 2, 3, SourceLayout::YUY2, Stream>(source, destination, count, yuv);
}

template <bool Stream>
void Yvyu(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
          const YuvKernelFactors& yuv)
{
    Packed422<0, 3, 2, 1, SourceLayout::YVYU, Stream>(source, destination, count, yuv);
}

template <bool Stream>
void Uyvy(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
          const YuvKernelFactors& yuv)
{
    Packed422<1, 0, 3, 2, SourceLayout::UYVY, Stream>(source, destination, count, yuv);
}

} // namespace

const RowKernels& GetAvx512VbmiRowKernels()
{
    static const RowKernels kernels = []
    {
        RowKernels table = GetAvx512RowKernels();
        table.variant = KernelVariant::Avx512Vbmi;
        table.name = "avx512vbmi";
        table.packed[static_cast<int>(SourceLayout::YUY2)] = Yuy2<false>;
        table.packed[static_cast<int>(SourceLayout::YVYU)] = Yvyu<false>;
        table.packed[static_cast<int>(SourceLayout::UYVY)] = Uyvy<false>;
        table.nv12 = NV12<false>;
        table.streamingPacked[static_cast<int>(SourceLayout::YUY2)] = Yuy2<true>;
        table.streamingPacked[static_cast<int>(SourceLayout::YVYU)] = Yvyu<true>;
        table.streamingPacked[static_cast<int>(SourceLayout::UYVY)] = Uyvy<true>;
        table.streamingNv12 = NV12<true>;
        return table;
    }();
    return kernels;
}

} // namespace Common::Convert
