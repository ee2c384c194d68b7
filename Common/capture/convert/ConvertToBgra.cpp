#include "Common/capture/convert/ConvertToBgra.h"

#include "Common/capture/convert/KernelDispatch.h"

#include <cstddef>
#include <cstdint>

namespace Common::Convert
{

void ConvertToBgra(SourceLayout layout, const std::uint8_t* source, std::int32_t width, std::int32_t height,
                   std::int32_t sourceStride, const BgraImage& destination)
{
    ConvertToBgra(ActiveRowKernels(), layout, source, width, height, sourceStride, destination);
}

void ConvertToBgra(const RowKernels& kernels, SourceLayout layout, const std::uint8_t* source,
                   std::int32_t width, std::int32_t height, std::int32_t sourceStride,
                   const BgraImage& destination)
{
    const std::int32_t rows = height < destination.height ? height : destination.height;
    const std::int32_t cols = width < destination.width ? width : destination.width;
    if (rows <= 0 || cols <= 0 || source == nullptr || destination.pixels == nullptr)
    {
        return;
    }
    const std::ptrdiff_t stride = sourceStride;
    const std::ptrdiff_t destinationStride = destination.stride;
    if (layout == SourceLayout::NV12)
    {
        const std::uint8_t* chroma = source + static_cast<std::ptrdiff_t>(height) * stride;
        for (std::int32_t y = 0; y < rows; ++y)
        {
            kernels.nv12(source + y * stride, chroma + (y / 2) * stride,
                         destination.pixels + y * destinationStride, cols);
        }
        return;
    }
    const PackedRowKernel row = kernels.packed[static_cast<int>(layout)];
    // Rows that follow each other without gaps in both images are one long
    // row (packed 4:2:2 only with an even width, so no group spans two rows).
    const bool pairedLayout =
        layout == SourceLayout::YUY2 || layout == SourceLayout::YVYU || layout == SourceLayout::UYVY;
    if (rows > 1 && cols == width && destinationStride == 4 * static_cast<std::ptrdiff_t>(cols) &&
        static_cast<std::uint64_t>(stride) == SourceRowBytes(layout, width) &&
        (!pairedLayout || width % 2 == 0) && static_cast<std::int64_t>(cols) * rows <= INT32_MAX)
    {
        row(source, destination.pixels, cols * rows);
        return;
    }
    for (std::int32_t y = 0; y < rows; ++y)
    {
        row(source + y * stride, destination.pixels + y * destinationStride, cols);
    }
}

} // namespace Common::Convert
