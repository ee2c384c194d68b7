// Common::Transformer: converts one source frame, as the capture platform
// delivers it, into a device's FrameBuffer (B G R A, top row first). Both
// backends use the same converters: each device holds one instance of each
// it needs and picks the one whose subtype matches the selected format.
// Threads: called on the platform's delivery thread, one call at a time per
// device; Transform while the caller holds the device's frameLock, Prepare
// before it takes it.
#pragma once

#include "Common/capture/FrameBuffer.h"
#include "Common/capture/FrameFormat.h"

#include <guiddef.h>

#include <cstdint>

namespace Common
{

class Transformer
{
public:
    Transformer() = default;
    Transformer(const Transformer&) = delete;
    Transformer& operator=(const Transformer&) = delete;
    virtual ~Transformer() = default;

    // The subtype this transformer converts, in the identifiers of the
    // backend that created it (Media Foundation and DirectShow name the RGB
    // layouts differently).
    virtual const GUID& GetSubtype() const = 0;

    // Converts one frame into `frame` (already sized for the selected format).
    // `source` addresses the top image row; `sourceStride` is the distance to
    // the row below, negative for bottom-up storage. `sourceLength` counts the
    // valid bytes of the whole buffer (which, for a negative stride, starts
    // (height - 1) * |sourceStride| bytes below `source`); the devices never
    // pass 0.
    // `source` is valid only during the call. Raises Exception for a frame
    // that cannot be converted; `frame` then keeps what was written so far.
    virtual void Transform(const std::uint8_t* source, std::uint32_t sourceLength, std::int32_t width,
                           std::int32_t height, std::int32_t sourceStride, FrameBuffer& frame) = 0;

    // The part of a frame's conversion that needs only the source, run by
    // the device before it takes frameLock, so that the preview, the pixel
    // read-out and Snap do not wait for it: a decoder decodes into a back
    // buffer of its own here, and the Transform that follows (for the same
    // source) only puts that image into the frame. A Transform not preceded
    // by Prepare does the whole work itself. The base prepares nothing.
    // `source` is valid only during the call; raises Exception as Transform.
    virtual void Prepare(const std::uint8_t* source, std::uint32_t sourceLength)
    {
        static_cast<void>(source);
        static_cast<void>(sourceLength);
    }

    // Takes what the selected format says about its frames beyond their
    // size and stride (YUV encoding, the picture's place in the buffer,
    // NV12 plane rows). The device calls it whenever it selects this
    // transformer for a format, under the lock that orders it with
    // Transform. The base ignores it.
    virtual void SetSourceFormat(const FrameFormat& format) { static_cast<void>(format); }
};

} // namespace Common
