// Common::DirectShowVideoCapture::DirectShowFrameFormat: a frame format built
// from the media type a DirectShow device reported; it owns that media type
// (the device sets it on its capture pin at Open). Immutable; any thread.
#pragma once

#include "Common/capture/FrameFormat.h"
#include "Common/capture/directshow/DirectShowMediaType.h"
#include "Common/capture/directshow/DirectShowVideoCapture.h"

namespace Common
{

class DirectShowVideoCapture::DirectShowFrameFormat : public FrameFormat
{
public:
    // Takes ownership of `type`. Raises Exception when the format block is
    // not one HasVideoInfo accepts.
    explicit DirectShowFrameFormat(DirectShowMediaType type);

    const wchar_t* GetSubtypeName() const override;

    // Whether the format block is a VIDEOINFOHEADER or VIDEOINFOHEADER2 long
    // enough for the fields read from it (frame interval, bitmap width and
    // height).
    static bool HasVideoInfo(const AM_MEDIA_TYPE& type);
    // Whether the format can be listed: a sound, non-empty size, a frame
    // rate, and a subtype the program can stream (DirectShowSubtypes.h).
    bool IsUsable() const;

    DirectShowMediaType mediaType;
};

} // namespace Common
