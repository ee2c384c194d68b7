// Reading and preparing FrameBuffer pixels in tests.
#pragma once

#include "Common/capture/FrameBuffer.h"

#include <cstdint>

namespace Common
{
class Device;
}

namespace TestSupport
{

// A value no conversion produces by chance: a pixel that still holds it was
// not written.
constexpr std::uint32_t GuardPixel = 0x12345678u;

// The 32-bit pixel (x, y) of a frame (0xAARRGGBB).
std::uint32_t PixelAt(const Common::FrameBuffer& frame, int x, int y);
// A frame of width x height with every pixel set to `value`.
Common::FrameBuffer FilledFrame(int width, int height, std::uint32_t value = GuardPixel);
// A copy of the device's latest frame.
Common::FrameBuffer LatestFrame(const Common::Device& device);

} // namespace TestSupport
