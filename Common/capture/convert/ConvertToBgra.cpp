#include "Common/capture/convert/ConvertToBgra.h"

#include "Common/capture/convert/KernelDispatch.h"

#include <cstddef>
#include <cstdint>

namespace Common::Convert
{
namespace
{

// Frames whose source and converted image together are larger than this
// are written with the streaming kernels where the variant has them: such a
// frame does not stay in the cache anyway, and stores around the cache save
// reading each destination line before it is written. Smaller frames stay
// in the cache, where plain stores are faster and the frame's next reader
// finds it. Measured on an AMD EPYC with 32 MiB of L3 shared with other
// machines: at 1920x1080 streaming made RGB32 and ARGB32 (16 MiB together)
// a third faster, RGB24 (14 MiB) and YUY2 (12 MiB) no faster, and RGB555,
// RGB565, RGB8 and NV12 (12 MiB and less) slower; a 32-bit frame converted
// and then copied once took less time streamed from 1600x1200 (14.6 MiB) on
// and more up to 1280x1024 (10 MiB). Those figures were taken while other
// machines used the shared cache; with the cache to itself the same machine
// took a third longer streaming RGB32 at 1920x1080 than with plain stores.
// Choosing per stream by timing frames did not work out: plain frames after
// streaming ones take about five frames to reach their speed, and with
// other work between the frames a timed choice settled on streaming where
// plain was half as fast again.
constexpr std::uint64_t StreamingFrameBytes = 14u << 20;

// The bytes of a source of `rows` rows of `cols` pixels.
std::uint64_t SourceFrameBytes(SourceLayout layout, std::int32_t cols, std::int32_t rows)
{
    const std::uint64_t bytes = SourceRowBytes(layout, cols) * static_cast<std::uint64_t>(rows);
    return layout == SourceLayout::NV12 ? bytes + bytes / 2 : bytes;
}

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
    const bool streaming = SourceFrameBytes(layout, cols, rows) +
                               static_cast<std::uint64_t>(cols) * 4 * static_cast<std::uint64_t>(rows) >
                           StreamingFrameBytes;
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
