#include "FramePixels.h"

#include "Common/capture/Device.h"

#include <cstring>

namespace TestSupport
{

std::uint32_t PixelAt(const Common::FrameBuffer& frame, int x, int y)
{
    std::uint32_t value = 0;
    std::memcpy(&value,
                frame.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(frame.stride) +
                    static_cast<std::size_t>(x) * 4,
                4);
    return value;
}

Common::FrameBuffer FilledFrame(int width, int height, std::uint32_t value)
{
    Common::FrameBuffer frame;
    frame.Resize(width, height);
    for (std::size_t i = 0; i < frame.pixels.size(); i += 4)
    {
        std::memcpy(frame.pixels.data() + i, &value, 4);
    }
    return frame;
}

Common::FrameBuffer LatestFrame(const Common::Device& device)
{
    Common::FrameBuffer frame;
    device.CopyLatestFrame(frame);
    return frame;
}

} // namespace TestSupport
