// VirtualCamera::FramePainter: paints the test pattern (TestPattern.h) into
// sample buffers of one CameraFormat. The rows that do not depend on the
// frame are prepared once; a frame is then row copies plus one counter row,
// with no allocation. Used by the camera's streaming thread only.
#pragma once

#include "CameraFormat.h"
#include "PixelAdjustment.h"

#include <cstdint>
#include <vector>

namespace VirtualCamera
{

class FramePainter
{
public:
    explicit FramePainter(const CameraFormat& format);

    // Paints frame `counter` into `buffer` of GetImageBytes() bytes, seen
    // through `adjustment` (the camera's settings; neutral by default).
    void Paint(std::uint8_t* buffer, std::uint32_t counter, const PixelAdjustment& adjustment = {});

    // What a capture program that converts exactly shows for frame
    // `counter` of `format`: width x height pixels, 4 bytes each in memory
    // order B G R A, rows top-down and packed. RGB layouts show the painted
    // colours (alpha 0xFF, ARGB32 its own); YUY2 the textbook conversion
    // of the painted Y, U, V by the format's matrix and range (BT.601
    // studio range when it states none). Allocates; for tests.
    static std::vector<std::uint8_t> Expected(const CameraFormat& format, std::uint32_t counter);

    // Writes `count` pixels (0xAARRGGBB) in the format's layout (and YUV
    // colour); YUY2 takes an even count.
    static void WritePixels(const CameraFormat& format, const std::uint32_t* argb, int count,
                            std::uint8_t* out);

private:
    int BytesForPixels(int pixels) const;
    // Paints the bars and the footer through `adjustment` (no allocation).
    void PrepareRows(const PixelAdjustment& adjustment);

    CameraFormat format_;
    std::vector<std::uint32_t> scratch_; // one row of ARGB pixels
    std::vector<std::uint8_t> bars_;     // two widths of colour bars, in the format's layout
    std::vector<std::uint8_t> footer_;   // one footer row
    std::vector<std::uint8_t> counter_;  // the counter row of the current frame
    PixelAdjustment adjustment_;         // the one bars_ and footer_ are painted with
};

} // namespace VirtualCamera
