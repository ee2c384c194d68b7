// Common::FrameFormat: one frame format a device offers (source pixel
// encoding, size, source stride, frame rate). Backends derive from it and keep
// the platform object the format was built from. Immutable after the backend
// built it; read from any thread.
#pragma once

#include "Common/capture/convert/YuvEncoding.h"

#include <guiddef.h>

#include <cstdint>
#include <string>

namespace Common
{

class FrameFormat
{
public:
    virtual ~FrameFormat() = default;

    // Short constant name of the subtype from the backend's table, "Unknown" if absent.
    virtual const wchar_t* GetSubtypeName() const = 0;

    // Display name, e.g. "YUY2 640x480 (30fps)". It is also the persisted
    // identity of the format, so its form must never change.
    std::wstring GetName() const;

    // Same subtype bytes, size and (exactly) frame rate.
    bool IsDuplicateOf(const FrameFormat& other) const;

    // The largest width or height any backend lists: the frame's byte
    // counts (4 bytes a pixel) stay well inside 32 bits per row.
    static constexpr std::int32_t MaximumSide = 32768;
    // Width and height between 0 and MaximumSide.
    bool IsWithinSizeLimit() const;

    GUID subtype = {};
    std::int32_t width = 0;
    std::int32_t height = 0;
    // Bytes from one image row to the next in the source; negative for bottom-up.
    std::int32_t stride = 0;
    double frameRate = 0.0;
    // YUV formats: the matrix and range the source encodes with; BT.601
    // studio range where the format does not say.
    Convert::YuvEncoding yuvEncoding = {};
    // Where the `width` x `height` picture lies in a larger delivered buffer
    // (a display aperture): its first column and row. Packed 4:2:2 and NV12
    // pictures start on a chroma pair, so odd values count one less.
    std::int32_t pictureLeft = 0;
    std::int32_t pictureTop = 0;
    // NV12: the rows of the luma plane in the buffer, when it has more than
    // pictureTop + height (1088 for a 1080-row picture in 16-row blocks);
    // 0 when the format does not say (the buffer's length then tells).
    std::int32_t planeRows = 0;
};

} // namespace Common
