#include "Common/capture/FrameBuffer.h"

#include <cstring>

namespace Common
{

void FrameBuffer::Resize(std::int32_t newWidth, std::int32_t newHeight)
{
    width = newWidth > 0 ? newWidth : 0;
    height = newHeight > 0 ? newHeight : 0;
    stride = width * 4;
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    pixels.resize(count * 4);
    const std::uint32_t black = OpaqueBlack;
    for (std::size_t i = 0; i < count; ++i)
    {
        std::memcpy(pixels.data() + i * 4, &black, 4);
    }
}

} // namespace Common
