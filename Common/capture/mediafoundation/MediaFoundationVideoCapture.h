// Common::MediaFoundationVideoCapture: the video capture devices Media
// Foundation enumerates, built in the constructor with their names and links
// only: no camera is activated here (each device reads its formats when
// first used), so a camera that cannot be opened stays listed and says why.
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

    // skipErrorDevice: leave out a device whose name or link cannot be read
    // instead of failing as a whole. allowDuplicateFrameFormat: keep formats that repeat
    // subtype, size and frame rate (otherwise the one with more attributes).
    MediaFoundationVideoCapture(bool skipErrorDevice, bool allowDuplicateFrameFormat,
                                DeviceSourceEnumerator deviceSourceEnumerator = EnumerateDeviceSources,
                                MediaFoundationDevice::SourceReaderFactory sourceReaderFactory =
                                    MediaFoundationDevice::CreateSourceReader);
};

} // namespace Common
