// Common::MediaFoundationVideoCapture: the video capture devices Media
// Foundation enumerates, each with its formats, built in the constructor.
// UI thread (devices then deliver frames on Media Foundation's work queue).
#pragma once

#include "Common/capture/VideoCapture.h"
#include "Common/capture/mediafoundation/MediaFoundationDevice.h"

#include <mfobjects.h>

#include <functional>

namespace Common
{

class MediaFoundationVideoCapture : public VideoCapture
{
public:
    // Where the activation objects of the devices come from: by default
    // MFEnumDeviceSources. The array and the references it holds go to the
    // caller (CoTaskMemFree, Release).
    using DeviceSourceEnumerator =
        std::function<HRESULT(IMFAttributes* attributes, IMFActivate*** sources, UINT32* count)>;
    static HRESULT EnumerateDeviceSources(IMFAttributes* attributes, IMFActivate*** sources, UINT32* count);

    // skipErrorDevice: leave out a device whose construction fails instead of
    // failing as a whole. allowDuplicateFrameFormat: keep formats that repeat
    // subtype, size and frame rate (otherwise the one with more attributes).
    MediaFoundationVideoCapture(bool skipErrorDevice, bool allowDuplicateFrameFormat,
                                DeviceSourceEnumerator deviceSourceEnumerator = EnumerateDeviceSources,
                                MediaFoundationDevice::SourceReaderFactory sourceReaderFactory =
                                    MediaFoundationDevice::CreateSourceReader);
};

} // namespace Common
