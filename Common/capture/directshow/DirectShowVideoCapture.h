// Common::DirectShowVideoCapture: the capture devices of DirectShow's video
// input category. The constructor enumerates every device with its formats;
// a missing or empty category gives an empty list, not an error.
// UI thread (devices then deliver frames on DirectShow's streaming threads).
#pragma once

#include "Common/capture/VideoCapture.h"

#include <windows.h>

#include <control.h>
#include <strmif.h>

#include <functional>

namespace Common
{

class DirectShowVideoCapture : public VideoCapture
{
public:
    class DirectShowDevice;
    class DirectShowFrameFormat;

    // Where a device's run and stop control of its graph comes from: the
    // graph's own IMediaControl unless the caller passes another.
    using MediaControlFactory = std::function<HRESULT(IGraphBuilder* graph, IMediaControl** control)>;
    static HRESULT GetGraphMediaControl(IGraphBuilder* graph, IMediaControl** control);

    // skipErrorDevice: leave out a device whose construction fails instead of
    // failing as a whole. allowDuplicateFrameFormat: keep formats that repeat
    // subtype, size and frame rate.
    DirectShowVideoCapture(bool skipErrorDevice, bool allowDuplicateFrameFormat,
                           const MediaControlFactory& mediaControlFactory = GetGraphMediaControl);
};

} // namespace Common
