#include "Common/capture/convert/SourceLayout.h"

#include <limits>

namespace Common::Convert
{

std::uint64_t SourceRowBytes(SourceLayout layout, std::int32_t width)
{
    if (width <= 0)
    {
        return 0;
    }
    const std::uint64_t pixels = static_cast<std::uint64_t>(width);
    switch (layout)
    {
    case SourceLayout::RGB32:
    case SourceLayout::ARGB32:
        return pixels * 4;
    case SourceLayout::RGB24:
        return pixels * 3;
    case SourceLayout::RGB555:
    case SourceLayout::RGB565:
        return pixels * 2;
    case SourceLayout::RGB8:
    case SourceLayout::NV12:
        return pixels;
    case SourceLayout::YUY2:
    case SourceLayout::YVYU:
    case SourceLayout::UYVY:
        return (pixels + 1) / 2 * 4;
    }
    return std::numeric_limits<std::uint64_t>::max();
}

std::uint64_t RequiredSourceBytes(SourceLayout layout, std::int32_t width, std::int32_t height,
                                  std::int32_t stride, std::int32_t planeRows)
{
    if (width <= 0 || height <= 0)
    {
        return 0;
    }
    const std::uint64_t rowBytes = SourceRowBytes(layout, width);
    const std::uint64_t pitch =
        static_cast<std::uint64_t>(stride < 0 ? -static_cast<std::int64_t>(stride) : stride);
    const std::uint64_t rows = static_cast<std::uint64_t>(height);
    if (layout != SourceLayout::NV12)
    {
        return (rows - 1) * pitch + rowBytes;
    }
    if (planeRows == 0)
    {
        planeRows = height;
    }
    if (stride < 0 || planeRows < height)
    {
        return std::numeric_limits<std::uint64_t>::max();
    }
    // Chroma rows hold the U V pairs of column pairs: an odd width reads the
    // pair of its last column completely.
    const std::uint64_t chromaBytes = (static_cast<std::uint64_t>(width) + 1) / 2 * 2;
    const std::uint64_t chromaRows = (rows + 1) / 2;
    const std::uint64_t lumaEnd = (rows - 1) * pitch + rowBytes;
    const std::uint64_t chromaEnd =
        (static_cast<std::uint64_t>(planeRows) + chromaRows - 1) * pitch + chromaBytes;
    return lumaEnd > chromaEnd ? lumaEnd : chromaEnd;
}

} // namespace Common::Convert
