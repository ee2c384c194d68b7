// 24-bit copies of a frame for the savers that take 24 bits per pixel: the
// still-image encoders that do not accept 32 bits (top-down rows) and the AVI
// writer (bottom-up rows). Each row holds blue, green, red per pixel and is
// padded with zero bytes to a multiple of 4; the alpha byte is dropped.
// Pure functions, any thread.
#pragma once

#include "Common/capture/FrameBuffer.h"

#include <cstdint>
#include <vector>

namespace TavixCapture
{

enum class RowOrder
{
    TopDown,
    BottomUp,
};

// 3 * width + 3, truncated to a multiple of 4 (width 641 gives 1924).
std::int32_t GetBgr24Stride(std::int32_t width);

// height rows of GetBgr24Stride(width) bytes; empty for an empty frame.
std::vector<std::uint8_t> ConvertToBgr24(const Common::FrameBuffer& frame, RowOrder order);
// The same into `image`, which keeps its memory from one frame to the next:
// a fresh multi-megabyte block per frame costs more than the conversion.
void ConvertToBgr24(const Common::FrameBuffer& frame, RowOrder order, std::vector<std::uint8_t>& image);
// The same into `image`, which holds at least height * GetBgr24Stride(width) bytes.
void ConvertToBgr24(const Common::FrameBuffer& frame, RowOrder order, std::uint8_t* image);

} // namespace TavixCapture
