// Common::FrameBuffer: the one pixel layout every consumer of camera images
// reads. 4 bytes per pixel in memory order blue, green, red, alpha (a
// little-endian 32-bit word reads 0xAARRGGBB); rows top-down, packed:
// stride == width * 4, pixels.size() == stride * height.
// A device's frame is guarded by the device (Common/capture/Device.h).
#pragma once

#include <cstdint>
#include <vector>

namespace Common
{

struct FrameBuffer
{
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t stride = 0;
    std::vector<std::uint8_t> pixels;

    // Opaque black, the content of a freshly sized buffer.
    static constexpr std::uint32_t OpaqueBlack = 0xFF000000u;

    // Resizes to width x height and fills with opaque black. A width whose
    // row of 4-byte pixels does not fit a 32-bit stride raises Exception and
    // leaves the buffer as it was.
    void Resize(std::int32_t newWidth, std::int32_t newHeight);
};

} // namespace Common
