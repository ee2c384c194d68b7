// Common::Convert plane-level conversions into the frame layout (B G R A,
// 4 bytes a pixel, rows top-down).
// The source is width x height pixels; `source` addresses the top image row
// and `sourceStride` is the distance to the row below (negative for sources
// stored bottom-up). The destination holds destinationWidth x
// destinationHeight pixels at destinationStride bytes a row. Only the first
// min(width, destinationWidth) columns of the first min(height,
// destinationHeight) rows are written; the rest keeps its contents (a larger
// source is cropped to the top-left area).
// Odd sizes: a packed 4:2:2 source shares one chroma pair between two
// columns; an unpaired last column is converted from its own luma and the
// chroma of its group. NV12 shares one chroma pair between a 2 x 2 block;
// an unpaired last row uses chroma row (rows - 1) / 2 with its own luma, and
// an unpaired last column the pair of its column pair. So every written pixel
// is the exact conversion of its own luma sample.
// NV12: the chroma plane starts height * sourceStride bytes after `source`
// (the height of the source, even when fewer rows are written), unless the
// SourceImage names it (a plane taller than the image, such as the 1088 rows
// of a 1080-row picture, or a picture that starts inside its planes).
// YUV sources convert by the formula of their encoding (YuvEncoding.h);
// without one, BT.601 studio range.
// The caller makes sure the source holds RequiredSourceBytes (SourceLayout.h).
// No allocation, no floating point; any thread. Includes no platform header.
#pragma once

#include "Common/capture/convert/RowKernels.h"
#include "Common/capture/convert/SourceLayout.h"
#include "Common/capture/convert/YuvEncoding.h"

#include <cstdint>

namespace Common::Convert
{

struct BgraImage
{
    std::uint8_t* pixels;
    std::int32_t width;
    std::int32_t height;
    std::int32_t stride;
};

struct SourceImage
{
    SourceLayout layout;
    // The top image row.
    const std::uint8_t* pixels;
    std::int32_t width;
    std::int32_t height;
    std::int32_t stride;
    // NV12: the chroma row of the top image row (its rows are `stride`
    // apart); null: pixels + height * stride.
    const std::uint8_t* chroma = nullptr;
    YuvEncoding encoding = {};
};

void ConvertToBgra(const RowKernels& kernels, const SourceImage& source, const BgraImage& destination);
void ConvertToBgra(const SourceImage& source, const BgraImage& destination);

// Converts with the kernels chosen for this process.
void ConvertToBgra(SourceLayout layout, const std::uint8_t* source, std::int32_t width, std::int32_t height,
                   std::int32_t sourceStride, const BgraImage& destination);

// Same with a given kernel variant (tests and benchmarks).
void ConvertToBgra(const RowKernels& kernels, SourceLayout layout, const std::uint8_t* source,
                   std::int32_t width, std::int32_t height, std::int32_t sourceStride,
                   const BgraImage& destination);

} // namespace Common::Convert
