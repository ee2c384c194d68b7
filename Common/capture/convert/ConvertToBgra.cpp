#include "Common/capture/convert/ConvertToBgra.h"

#include "Common/capture/convert/KernelDispatch.h"

#include <cstddef>
#include <cstdint>

namespace Common::Convert
{
namespace
{

// Frames whose converted image is larger than this are written with the
// streaming kernels where the variant has them: such a frame does not stay
// in the cache anyway (with its source it fills the last-level cache of most
// processors), and stores around the cache save reading each destination
// line before it is written. Smaller frames stay in the cache for the
// frame's next reader.
constexpr std::uint64_t StreamingFrameBytes = 16u << 20;

} // namespace

void ConvertToBgra(SourceLayout layout, const std::uint8_t* source, std::int32_t width, std::int32_t height,
                   std::int32_t sourceStride, const BgraImage& destination)
{
    ConvertToBgra(ActiveRowKernels(), SourceImage{layout, source, width, height, sourceStride}, destination);
}

void ConvertToBgra(const RowKernels& kernels, SourceLayout layout, const std::uint8_t* source,
                   std::int32_t width, std::int32_t height, std::int32_t sourceStride,
                   const BgraImage& destination)
{
    ConvertToBgra(kernels, SourceImage{layout, source, width, height, sourceStride}, destination);
}

void ConvertToBgra(const SourceImage& source, const BgraImage& destination)
{
    ConvertToBgra(ActiveRowKernels(), source, destination);
}

void ConvertToBgra(const RowKernels& kernels, const SourceImage& source, const BgraImage& destination)
{
    const SourceLayout layout = source.layout;
    const std::int32_t width = source.width;
    const std::int32_t rows = source.height < destination.height ? source.height : destination.height;
    const std::int32_t cols = width < destination.width ? width : destination.width;
    if (rows <= 0 || cols <= 0 || source.pixels == nullptr || destination.pixels == nullptr)
    {
        return;
    }
    const YuvKernelFactors& yuv = GetYuvKernelFactors(source.encoding);
    const std::ptrdiff_t stride = source.stride;
    const std::ptrdiff_t destinationStride = destination.stride;
    const bool streaming =
        static_cast<std::uint64_t>(cols) * 4 * static_cast<std::uint64_t>(rows) > StreamingFrameBytes;
    if (layout == SourceLayout::NV12)
    {
        const NV12RowKernel nv12 =
            streaming && kernels.streamingNv12 != nullptr ? kernels.streamingNv12 : kernels.nv12;
        const std::uint8_t* chroma =
            source.chroma != nullptr ? source.chroma
                                     : source.pixels + static_cast<std::ptrdiff_t>(source.height) * stride;
        for (std::int32_t y = 0; y < rows; ++y)
        {
            nv12(source.pixels + y * stride, chroma + (y / 2) * stride,
                 destination.pixels + y * destinationStride, cols, yuv);
        }
        return;
    }
    const PackedRowKernel streamingRow =
        streaming ? kernels.streamingPacked[static_cast<int>(layout)] : nullptr;
    const PackedRowKernel row =
        streamingRow != nullptr ? streamingRow : kernels.packed[static_cast<int>(layout)];
    // Rows that follow each other without gaps in both images are one long
    // row (packed 4:2:2 only with an even width, so no group spans two rows).
    const bool pairedLayout =
        layout == SourceLayout::YUY2 || layout == SourceLayout::YVYU || layout == SourceLayout::UYVY;
    if (rows > 1 && cols == width && destinationStride == 4 * static_cast<std::ptrdiff_t>(cols) &&
        static_cast<std::uint64_t>(stride) == SourceRowBytes(layout, width) &&
        (!pairedLayout || width % 2 == 0) && static_cast<std::int64_t>(cols) * rows <= INT32_MAX)
    {
        row(source.pixels, destination.pixels, cols * rows, yuv);
        return;
    }
    for (std::int32_t y = 0; y < rows; ++y)
    {
        row(source.pixels + y * stride, destination.pixels + y * destinationStride, cols, yuv);
    }
}

} // namespace Common::Convert
