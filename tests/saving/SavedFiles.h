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

// The mean absolute difference of the colour channels of two frames of equal
// size (0 only when every colour byte is the same); alpha ignored.
double MeanDifference(const Common::FrameBuffer& a, const Common::FrameBuffer& b);

} // namespace SavedFiles
