// VirtualCamera::MediaTypeEnumerator: IEnumMediaTypes over a snapshot of the
// formats the pin offered when the enumerator was made. One caller at a time.
#pragma once

#include "CameraFormat.h"
#include "Enumerator.h"

#include <strmif.h>

namespace VirtualCamera
{

struct MediaTypeItems
{
    using Interface = IEnumMediaTypes;
    using Item = AM_MEDIA_TYPE*;
    using Source = CameraFormat;
    static constexpr const IID& Id = IID_IEnumMediaTypes;

    static HRESULT Copy(const CameraFormat& format, AM_MEDIA_TYPE** type)
    {
        return format.CreateMediaType(type);
    }
};

using MediaTypeEnumerator = Enumerator<MediaTypeItems>;

} // namespace VirtualCamera
