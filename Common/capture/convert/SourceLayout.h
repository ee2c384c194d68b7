// Common::Convert::SourceLayout: the source pixel layouts the program converts
// into its frame layout, and how many source bytes a conversion reads.
// Formats are named by the camera subtype; bytes are listed in memory order:
//   RGB32   B G R X        (X ignored, alpha becomes 0xFF)
//   ARGB32  B G R A        (alpha kept)
//   RGB24   B G R
//   RGB555  little-endian 16-bit word: bit 15 ignored, 5 bits each R G B
//   RGB565  little-endian 16-bit word: 5 bits R, 6 bits G, 5 bits B
//   RGB8    one grey byte (no palette)
//   YUY2    Y0 U Y1 V      (one 4-byte group for two pixels)
//   YVYU    Y0 V Y1 U
//   UYVY    U Y0 V Y1
//   NV12    Y plane of one byte a pixel; below it a plane of U V byte pairs
//           at half resolution in both directions
// The output is always B G R A, 4 bytes a pixel.
// Pure functions, any thread. Includes no platform header.
#pragma once

#include <cstdint>

namespace Common::Convert
{

enum class SourceLayout
{
    RGB32,
    ARGB32,
    RGB24,
    RGB555,
    RGB565,
    RGB8,
    YUY2,
    YVYU,
    UYVY,
    NV12,
};

inline constexpr int SourceLayoutCount = 10;

// Bytes one conversion reads from a source row of `width` pixels. The packed
// 4:2:2 layouts read whole 4-byte groups, so an odd width reads the group of
// its last pixel completely. For NV12 this is the luma row.
std::uint64_t SourceRowBytes(SourceLayout layout, std::int32_t width);

// The number of bytes a source buffer must hold for a conversion of a
// width x height image with the given stride. The buffer is taken to start at
// its lowest address: the top row for a positive stride; for a negative stride
// the top row is the last one in memory and the buffer starts
// (height - 1) * |stride| bytes below it. NV12 needs both planes: the chroma
// plane starts height * stride bytes after the top luma row and has
// (height + 1) / 2 rows of the same stride. A bottom-up NV12 source (negative
// stride) would put its chroma plane below the buffer's start; no buffer can
// hold it and the result is UINT64_MAX. An empty image needs 0 bytes.
// `planeRows`, when given, is the height of the NV12 luma plane in rows
// (at least `height`; 1088 for a 1080-row picture in padded planes): the
// chroma plane then starts planeRows * stride bytes after the top luma row.
// Fewer plane rows than picture rows fit no buffer (UINT64_MAX). Other
// layouts ignore it.
std::uint64_t RequiredSourceBytes(SourceLayout layout, std::int32_t width, std::int32_t height,
                                  std::int32_t stride, std::int32_t planeRows = 0);

} // namespace Common::Convert
