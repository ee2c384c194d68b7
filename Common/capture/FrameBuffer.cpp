#include "Common/capture/FrameBuffer.h"

#include "Common/Exception.h"

#include <cstring>
#include <limits>

namespace Common
{

void FrameBuffer::Resize(std::int32_t newWidth, std::int32_t newHeight)
{
    const std::int32_t checkedWidth = newWidth > 0 ? newWidth : 0;
    const std::int64_t rowBytes = static_cast<std::int64_t>(checkedWidth) * 4;
    if (rowBytes > std::numeric_limits<std::int32_t>::max())
    {
        throw Exception(L"フレームの幅が大きすぎます。");
    }
    width = checkedWidth;
    height = newHeight > 0 ? newHeight : 0;
    stride = static_cast<std::int32_t>(rowBytes);
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    pixels.resize(count * 4);
    const std::uint32_t black = OpaqueBlack;
    for (std::size_t i = 0; i < count; ++i)
    {
        std::memcpy(pixels.data() + i * 4, &black, 4);
    }
}

} // namespace Common
