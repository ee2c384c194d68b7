// Scalar reference row kernels: the formulas written out one pixel at a time.
#include "Common/capture/convert/RowKernels.h"
#include "Common/capture/convert/ScalarPixels.h"

namespace Common::Convert
{
namespace
{

void Rgb32(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count, const YuvKernelFactors&)
{
    Scalar::Rgb32Row(source, destination, 0, count);
}

void Argb32(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
            const YuvKernelFactors&)
{
    for (std::int32_t i = 0; i < 4 * count; ++i)
    {
        destination[i] = source[i];
    }
}

void Rgb24(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count, const YuvKernelFactors&)
{
    Scalar::Rgb24Row(source, destination, 0, count);
}

void Rgb555(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
            const YuvKernelFactors&)
{
    Scalar::Rgb555Row(source, destination, 0, count);
}

void Rgb565(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
            const YuvKernelFactors&)
{
    Scalar::Rgb565Row(source, destination, 0, count);
}

void Rgb8(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count, const YuvKernelFactors&)
{
    Scalar::Rgb8Row(source, destination, 0, count);
}

void Yuy2(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
          const YuvKernelFactors& yuv)
{
    Scalar::Packed422Row<0, 1, 2, 3>(source, destination, 0, count, yuv.formula);
}

void Yvyu(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
          const YuvKernelFactors& yuv)
{
    Scalar::Packed422Row<0, 3, 2, 1>(source, destination, 0, count, yuv.formula);
}

void Uyvy(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
          const YuvKernelFactors& yuv)
{
    Scalar::Packed422Row<1, 0, 3, 2>(source, destination, 0, count, yuv.formula);
}

void NV12(const std::uint8_t* luma, const std::uint8_t* chroma, std::uint8_t* destination, std::int32_t count,
          const YuvKernelFactors& yuv)
{
    Scalar::NV12Row(luma, chroma, destination, 0, count, yuv.formula);
}

} // namespace

const RowKernels& GetScalarRowKernels()
{
    static const RowKernels kernels = {
        KernelVariant::Scalar,
        "scalar",
        {Rgb32, Argb32, Rgb24, Rgb555, Rgb565, Rgb8, Yuy2, Yvyu, Uyvy, nullptr},
        NV12,
        {},
        nullptr,
    };
    return kernels;
}

} // namespace Common::Convert
