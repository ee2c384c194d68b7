// A JPEG file made by the platform's own image encoder, for the tests of the
// MJPG conversion. Any thread with COM initialised.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace TestSupport
{

// Encodes width x height pixels, each given by `colour` as blue, green, red.
std::vector<std::uint8_t> EncodeJpeg(int width, int height,
                                     const std::function<void(int x, int y, std::uint8_t bgr[3])>& colour);

} // namespace TestSupport
