// Frames of the test devices: source bytes of a known image in one of the
// streamable subtypes, laid out with a chosen row pitch, top-down or
// bottom-up, for plain or two-dimensional buffer access, together with the
// 32-bit B G R A image the program must make of them (computed here from the
// published conversion rules, independently of the program's converters).
#pragma once

#include "TestMediaBuffer.h"

#include <guiddef.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace MediaFoundationTests
{

struct EncodedFrame
{
    std::shared_ptr<TestFrameBytes> source;
    std::int32_t width = 0;
    std::int32_t height = 0;
    // The stride a format of this frame declares (negative for bottom-up).
    std::int32_t stride = 0;
    // Expected B G R A bytes, rows top-down, width * 4 per row.
    std::vector<std::uint8_t> expected;
};

// Bytes per row of the subtype's first plane (0 for MJPG).
std::int32_t RowBytes(const GUID& subtype, std::int32_t width);

// A frame of pseudo-random pixels (`seed`) in `subtype`. pitch: bytes from
// one row to the next in memory (>= RowBytes; 0 takes RowBytes); bottomUp
// stores the top image row last. MJPG frames are JPEG files made with the
// platform's imaging component and always top-down.
EncodedFrame EncodeFrame(const GUID& subtype, std::int32_t width, std::int32_t height, std::int32_t pitch,
                         bool bottomUp, bool twoDimensional, std::uint32_t seed);

} // namespace MediaFoundationTests
