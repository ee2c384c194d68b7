// Common::MediaFoundationFrameFormat: a frame format built from one native
// media type of a Media Foundation device. Keeps the media type, which the
// device sets as the reader's current type when it opens in this format.
// Built on the UI thread; immutable afterwards, read from any thread.
#pragma once

#include "Common/ComPointer.h"
#include "Common/capture/FrameFormat.h"

#include <mfobjects.h>

#include <cstdint>

namespace Common
{

class MediaFoundationFrameFormat : public FrameFormat
{
public:
    // Reads subtype, frame size, stride and frame rate from `type`. A type
    // without MF_MT_DEFAULT_STRIDE gets the platform's stride for its subtype
    // and width, written back onto the type. Raises Exception on failure.
    // Also reads the YUV matrix and nominal range, and a minimum display
    // aperture smaller than the frame: the format's size is then the
    // aperture's, placed in the frame's rows.
    explicit MediaFoundationFrameFormat(IMFMediaType* type);

    const wchar_t* GetSubtypeName() const override;
    // Number of attributes stored on the media type.
    std::uint32_t GetAttributeCount() const;

    // The display name of a Media Foundation video subtype, "Unknown" if none.
    static const wchar_t* GetSubtypeName(const GUID& subtype);

    ComPointer<IMFMediaType> mediaType;

private:
    void ReadPictureDetails();
};

} // namespace Common
