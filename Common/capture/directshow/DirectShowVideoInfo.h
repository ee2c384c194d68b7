// Common::DirectShowVideoInfo: what the DirectShow backend reads from a video
// media type: the frame interval, the bitmap size and, from those and the
// subtype, how the rows of a sample lie in memory. The format block may be a
// VIDEOINFOHEADER or a VIDEOINFOHEADER2 (capture cards and virtual cameras
// describe some formats only with the second); the second may also say which
// YUV matrix and nominal range the samples use.
// Plain values and pure functions; any thread.
#pragma once

#include "Common/capture/convert/YuvEncoding.h"

#include <windows.h>

#include <strmif.h>

#include <cstdint>
#include <optional>

namespace Common
{

struct DirectShowVideoInfo
{
    REFERENCE_TIME frameInterval = 0; // 100-ns units; 0 when the device gives none
    std::int32_t bitmapWidth = 0;
    std::int32_t bitmapHeight = 0; // > 0: bottom-up for RGB subtypes
    // From a VIDEOINFOHEADER2 whose control flags carry colour information
    // (the extended format's matrix and nominal range): BT.709 and full
    // range where it says so. Anything else, and every VIDEOINFOHEADER,
    // keeps BT.601 studio range, as the Media Foundation backend does.
    Convert::YuvEncoding yuvEncoding = {};

    // The block's fields, or nothing when the block is neither header or too
    // short to hold the bitmap height.
    static std::optional<DirectShowVideoInfo> Read(const AM_MEDIA_TYPE& type);

    // The distance in bytes from one image row to the next in a sample of
    // `subtype`, negative when the rows are stored bottom-up, following
    // DirectShow's rules: RGB rows are padded to 4 bytes and lie bottom-up
    // unless the bitmap height is negative; YUV images lie top-down whatever
    // the sign; NV12 gives its luma row. 0 for a subtype the program does
    // not convert itself.
    std::int64_t GetStride(const GUID& subtype) const;
};

} // namespace Common
