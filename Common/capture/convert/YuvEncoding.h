// Common::Convert YUV encodings: which matrix (BT.601 or BT.709) and which
// nominal range (studio: luma 16-235, chroma 16-240; full: 0-255) a YUV
// source uses, and the integer formula each combination converts with.
// With Yd = Y - lumaOffset, Ud = U - 128, Vd = V - 128:
//   red   = clip((luma * Yd + vToRed * Vd + 128) >> 8)
//   green = clip((luma * Yd + uToGreen * Ud + vToGreen * Vd + 128) >> 8)
//   blue  = clip((luma * Yd + uToBlue * Ud + 128) >> 8)
// (arithmetic shifts; clip keeps 0-255). The factors are the matrix's
// coefficients times 256, rounded to the nearest integer; BT.601 studio range
// is 298, 409, -100, -208, 516, the conversion of a source that says nothing
// about its encoding.
// The SIMD kernels compute the same formula in 16-bit lanes from the split
// form in YuvKernelFactors, derived here at compile time and checked to stay
// exact for every (Y, U, V).
// Pure data and constexpr functions, any thread. Includes no platform header.
#pragma once

#include <cstdint>

namespace Common::Convert
{

enum class YuvMatrix
{
    Bt601,
    Bt709,
};

enum class YuvRange
{
    Studio, // luma 16-235, chroma 16-240
    Full,   // 0-255
};

struct YuvEncoding
{
    YuvMatrix matrix = YuvMatrix::Bt601;
    YuvRange range = YuvRange::Studio;

    friend bool operator==(const YuvEncoding&, const YuvEncoding&) = default;
};

// The factors of the formula above.
struct YuvFormula
{
    std::int32_t lumaOffset;
    std::int32_t luma;
    std::int32_t vToRed;
    std::int32_t uToGreen;
    std::int32_t vToGreen;
    std::int32_t uToBlue;
};

// One output channel in the split form the SIMD kernels use:
//   channel = lumaWhole * Y + uWhole * U + vWhole * V + base
//           + ((lumaFraction * Y + uFraction * U + vFraction * V + offset) >> 8)
// which equals the formula exactly, because each factor is 256 * whole +
// fraction and the constant 128 - luma * lumaOffset - 128 * (chroma factors)
// is 256 * base + offset. Every fraction and whole factor fits a signed byte
// (for the unsigned-by-signed byte multiply-add), and for every Y, U, V the
// fraction sum including the offset stays within a signed 16-bit word, as
// does each pair sum the kernels form: (Y, U) and (0, V) where the channel
// has a U term, (Y, V) where it has not.
struct YuvChannelFactors
{
    std::int8_t lumaFraction;
    std::int8_t uFraction;
    std::int8_t vFraction;
    std::int8_t lumaWhole;
    std::int8_t uWhole;
    std::int8_t vWhole;
    std::int16_t offset;
    std::int16_t base;
};

struct YuvKernelFactors
{
    YuvFormula formula;
    YuvChannelFactors blue;
    YuvChannelFactors green;
    YuvChannelFactors red;
};

namespace Detail
{

constexpr std::int32_t FloorDivide(std::int32_t value, std::int32_t divisor)
{
    return value >= 0 ? value / divisor : -((-value + divisor - 1) / divisor);
}

// Splits one channel; a factor set that cannot be split exactly stops the
// compilation (a throw is not a constant expression).
constexpr YuvChannelFactors SplitChannel(std::int32_t lumaOffset, std::int32_t luma, std::int32_t u,
                                         std::int32_t v)
{
    const auto whole = [](std::int32_t factor) { return FloorDivide(factor + 128, 256); };
    const auto fraction = [&](std::int32_t factor) { return factor - 256 * whole(factor); };
    const auto toByte = [](std::int32_t value)
    {
        if (value < -128 || value > 127)
        {
            throw "a factor does not fit a signed byte";
        }
        return static_cast<std::int8_t>(value);
    };
    const std::int32_t constant = 128 - luma * lumaOffset - 128 * u - 128 * v;
    const std::int32_t fractions[] = {fraction(luma), fraction(u), fraction(v)};
    std::int32_t low = 0;
    std::int32_t high = 0;
    for (std::int32_t f : fractions)
    {
        (f < 0 ? low : high) += 255 * f;
    }
    // The pair sums of one multiply-add must not saturate. The luma
    // fraction goes with U where the channel has a U term (blue, green),
    // else with V (red).
    const auto pairFits = [](std::int32_t a, std::int32_t b)
    {
        const std::int32_t pairLow = 255 * ((a < 0 ? a : 0) + (b < 0 ? b : 0));
        const std::int32_t pairHigh = 255 * ((a > 0 ? a : 0) + (b > 0 ? b : 0));
        return pairLow >= -32768 && pairHigh <= 32767;
    };
    const bool lumaWithU = u != 0;
    if (!pairFits(lumaWithU ? fractions[0] : 0, fractions[1]) ||
        !pairFits(lumaWithU ? 0 : fractions[0], fractions[2]))
    {
        throw "a multiply-add pair saturates";
    }
    // The offset is the constant's remainder nearest the middle of the room
    // the fraction sum leaves in 16 bits.
    const std::int32_t middle = -(low + high) / 2;
    const std::int32_t base = FloorDivide(constant - middle + 128, 256);
    const std::int32_t offset = constant - 256 * base;
    if (low + offset < -32768 || high + offset > 32767)
    {
        throw "the fraction sum leaves 16 bits";
    }
    return YuvChannelFactors{toByte(fractions[0]),
                             toByte(fractions[1]),
                             toByte(fractions[2]),
                             toByte(whole(luma)),
                             toByte(whole(u)),
                             toByte(whole(v)),
                             static_cast<std::int16_t>(offset),
                             static_cast<std::int16_t>(base)};
}

constexpr YuvKernelFactors MakeKernelFactors(const YuvFormula& formula)
{
    YuvKernelFactors factors{
        formula, SplitChannel(formula.lumaOffset, formula.luma, formula.uToBlue, 0),
        SplitChannel(formula.lumaOffset, formula.luma, formula.uToGreen, formula.vToGreen),
        SplitChannel(formula.lumaOffset, formula.luma, 0, formula.vToRed)};
    // The kernels take green's whole part from the (Y, V) pair alone.
    if (factors.green.uWhole != 0)
    {
        throw "green's U factor has a whole part";
    }
    return factors;
}

} // namespace Detail

// The four encodings; the SIMD split is checked when this compiles.
inline constexpr YuvKernelFactors Bt601StudioFactors =
    Detail::MakeKernelFactors({16, 298, 409, -100, -208, 516});
inline constexpr YuvKernelFactors Bt709StudioFactors =
    Detail::MakeKernelFactors({16, 298, 459, -55, -136, 541});
inline constexpr YuvKernelFactors Bt601FullFactors = Detail::MakeKernelFactors({0, 256, 359, -88, -183, 454});
inline constexpr YuvKernelFactors Bt709FullFactors = Detail::MakeKernelFactors({0, 256, 403, -48, -120, 475});

constexpr const YuvKernelFactors& GetYuvKernelFactors(YuvEncoding encoding)
{
    if (encoding.range == YuvRange::Full)
    {
        return encoding.matrix == YuvMatrix::Bt709 ? Bt709FullFactors : Bt601FullFactors;
    }
    return encoding.matrix == YuvMatrix::Bt709 ? Bt709StudioFactors : Bt601StudioFactors;
}

} // namespace Common::Convert
