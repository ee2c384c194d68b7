// Reading back what the savers wrote, through the platform's own decoders,
// and making frames whose every pixel is different.
#pragma once

#include "Common/capture/FrameBuffer.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace SavedFiles
{

// A frame in which neighbouring pixels differ in every channel and the
// alpha byte varies too (a saver must ignore it). `seed` changes every pixel.
Common::FrameBuffer PatternFrame(int width, int height, std::uint32_t seed = 0);

struct DecodedImage
{
    GUID container = {};
    Common::FrameBuffer frame; // 32-bit, alpha as decoded
};

// Decodes the first frame of an image file with the imaging component.
DecodedImage Decode(const std::wstring& path);

// Largest difference of one colour channel between two frames of equal size,
// and the mean absolute difference over all colour channels; alpha ignored.
struct Difference
{
    int maximum = 0;
    double mean = 0.0;
};
Difference Compare(const Common::FrameBuffer& a, const Common::FrameBuffer& b);

} // namespace SavedFiles
