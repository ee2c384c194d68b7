// Common::Convert scalar pixel formulas: the reference every kernel variant
// equals. Shared by the scalar kernels and by the tails of the SIMD kernels.
// Pure inline functions, any thread. Includes no platform header.
// The kernel files are compiled with different instruction-set flags, so
// everything here has internal linkage: each kernel file keeps its own copy,
// compiled for its own instruction set. (With external linkage the linker
// keeps one copy of each inline function for all files, possibly the AVX2
// one, and the scalar kernels would run AVX2 code.)
#pragma once

#include "Common/capture/convert/YuvEncoding.h"

#include <cstdint>
#include <cstring>

namespace Common::Convert::Scalar
{
namespace
{

inline std::uint8_t Clip(std::int32_t value)
{
    return static_cast<std::uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
}

// (Y, U, V) to B G R A with alpha 0xFF by the formula of YuvEncoding.h. The
// shifts are arithmetic (toward minus infinity).
inline void YuvToBgra(std::int32_t y, std::int32_t u, std::int32_t v, const YuvFormula& f,
                      std::uint8_t* destination)
{
    const std::int32_t lumaTerm = f.luma * (y - f.lumaOffset) + 128;
    const std::int32_t ud = u - 128;
    const std::int32_t vd = v - 128;
    destination[0] = Clip((lumaTerm + f.uToBlue * ud) >> 8);
    destination[1] = Clip((lumaTerm + f.uToGreen * ud + f.vToGreen * vd) >> 8);
    destination[2] = Clip((lumaTerm + f.vToRed * vd) >> 8);
    destination[3] = 0xFF;
}

inline std::uint16_t ReadWord(const std::uint8_t* source)
{
    return static_cast<std::uint16_t>(source[0] | (source[1] << 8));
}

inline void Rgb555ToBgra(std::uint32_t p, std::uint8_t* destination)
{
    destination[0] = static_cast<std::uint8_t>(p << 3);
    destination[1] = static_cast<std::uint8_t>((p >> 5) << 3);
    destination[2] = static_cast<std::uint8_t>((p >> 10) << 3);
    destination[3] = 0xFF;
}

inline void Rgb565ToBgra(std::uint32_t p, std::uint8_t* destination)
{
    destination[0] = static_cast<std::uint8_t>(p << 3);
    destination[1] = static_cast<std::uint8_t>((p >> 5) << 2);
    destination[2] = static_cast<std::uint8_t>((p >> 11) << 3);
    destination[3] = 0xFF;
}

// Packed 4:2:2 rows from pixel `first` on. Y0Offset, Y1Offset, UOffset and
// VOffset give where each sample sits in a 4-byte group. An odd last pixel
// gets its own luma with the chroma of its group.
template <int Y0Offset, int UOffset, int Y1Offset, int VOffset>
inline void Packed422Row(const std::uint8_t* source, std::uint8_t* destination, std::int32_t first,
                         std::int32_t count, const YuvFormula& f)
{
    std::int32_t x = first;
    for (; x + 1 < count; x += 2)
    {
        const std::uint8_t* group = source + 2 * static_cast<std::ptrdiff_t>(x);
        const std::int32_t u = group[UOffset];
        const std::int32_t v = group[VOffset];
        YuvToBgra(group[Y0Offset], u, v, f, destination + 4 * static_cast<std::ptrdiff_t>(x));
        YuvToBgra(group[Y1Offset], u, v, f, destination + 4 * static_cast<std::ptrdiff_t>(x) + 4);
    }
    if (x < count)
    {
        const std::uint8_t* group = source + 2 * static_cast<std::ptrdiff_t>(x);
        YuvToBgra(group[Y0Offset], group[UOffset], group[VOffset], f,
                  destination + 4 * static_cast<std::ptrdiff_t>(x));
    }
}

inline void NV12Row(const std::uint8_t* luma, const std::uint8_t* chroma, std::uint8_t* destination,
                    std::int32_t first, std::int32_t count, const YuvFormula& f)
{
    for (std::int32_t x = first; x < count; ++x)
    {
        const std::uint8_t* pair = chroma + (x & ~1);
        YuvToBgra(luma[x], pair[0], pair[1], f, destination + 4 * static_cast<std::ptrdiff_t>(x));
    }
}

inline void Rgb32Row(const std::uint8_t* source, std::uint8_t* destination, std::int32_t first,
                     std::int32_t count)
{
    for (std::int32_t x = first; x < count; ++x)
    {
        destination[4 * x] = source[4 * x];
        destination[4 * x + 1] = source[4 * x + 1];
        destination[4 * x + 2] = source[4 * x + 2];
        destination[4 * x + 3] = 0xFF;
    }
}

inline void Rgb24Row(const std::uint8_t* source, std::uint8_t* destination, std::int32_t first,
                     std::int32_t count)
{
    for (std::int32_t x = first; x < count; ++x)
    {
        destination[4 * x] = source[3 * x];
        destination[4 * x + 1] = source[3 * x + 1];
        destination[4 * x + 2] = source[3 * x + 2];
        destination[4 * x + 3] = 0xFF;
    }
}

inline void Rgb555Row(const std::uint8_t* source, std::uint8_t* destination, std::int32_t first,
                      std::int32_t count)
{
    for (std::int32_t x = first; x < count; ++x)
    {
        Rgb555ToBgra(ReadWord(source + 2 * x), destination + 4 * x);
    }
}

inline void Rgb565Row(const std::uint8_t* source, std::uint8_t* destination, std::int32_t first,
                      std::int32_t count)
{
    for (std::int32_t x = first; x < count; ++x)
    {
        Rgb565ToBgra(ReadWord(source + 2 * x), destination + 4 * x);
    }
}

inline void Rgb8Row(const std::uint8_t* source, std::uint8_t* destination, std::int32_t first,
                    std::int32_t count)
{
    for (std::int32_t x = first; x < count; ++x)
    {
        destination[4 * x] = source[x];
        destination[4 * x + 1] = source[x];
        destination[4 * x + 2] = source[x];
        destination[4 * x + 3] = 0xFF;
    }
}

} // namespace
} // namespace Common::Convert::Scalar
