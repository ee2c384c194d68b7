#include "Grayscale/GrayscaleProcessor.h"

#include <cstring>

namespace TavixSamples
{

std::uint32_t GrayscaleProcessor::ToGray(std::uint32_t bgra)
{
    const std::uint32_t blue = bgra & 0xFF;
    const std::uint32_t green = (bgra >> 8) & 0xFF;
    const std::uint32_t red = (bgra >> 16) & 0xFF;
    // 0.299 R + 0.587 G + 0.114 B in 1/256 steps; the weights add up to 256.
    const std::uint32_t luma = (77 * red + 150 * green + 29 * blue + 128) >> 8;
    return (bgra & 0xFF000000u) | (luma << 16) | (luma << 8) | luma;
}

HRESULT GrayscaleProcessor::Process()
{
    // During Process the frame is ours: no other thread writes it.
    Common::FrameBuffer* frame = GetHost() != nullptr ? GetHost()->GetFrame() : nullptr;
    if (frame == nullptr)
    {
        return E_POINTER;
    }
    for (std::int32_t y = 0; y < frame->height; ++y)
    {
        std::uint8_t* row = frame->pixels.data() + static_cast<std::size_t>(y) * frame->stride;
        for (std::int32_t x = 0; x < frame->width; ++x)
        {
            std::uint32_t pixel;
            std::memcpy(&pixel, row + x * 4, 4);
            pixel = ToGray(pixel);
            std::memcpy(row + x * 4, &pixel, 4);
        }
    }
    return S_OK;
}

} // namespace TavixSamples
