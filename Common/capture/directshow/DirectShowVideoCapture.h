// Common::DirectShowVideoCapture: the capture devices of DirectShow's video
// input category. The constructor enumerates every device with its formats;
// a missing or empty category gives an empty list, not an error. Devices
// that share a name are numbered ("Camera", "Camera #2").
// UI thread (devices then deliver frames on DirectShow's streaming threads).
#pragma once

#include "Common/ComPointer.h"
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

    // Where the sample grabbers come from: the system's (qedit.dll) unless
    // the caller passes another.
    using SampleGrabberFactory = std::function<HRESULT(IBaseFilter** grabber)>;
    static HRESULT CreateSampleGrabber(IBaseFilter** grabber);

    // skipErrorDevice: leave out a device whose construction fails instead of
    // failing as a whole. allowDuplicateFrameFormat: keep formats that repeat
    // subtype, size and frame rate.
    // Some Windows editions come without the sample grabber: when there are
    // devices but no grabber, construction fails with a message that says so,
    // whatever skipErrorDevice says (without it no device could stream).
    DirectShowVideoCapture(bool skipErrorDevice, bool allowDuplicateFrameFormat,
                           const MediaControlFactory& mediaControlFactory = GetGraphMediaControl,
                           const SampleGrabberFactory& sampleGrabberFactory = CreateSampleGrabber);

    // The grabber from `factory`; a failure raises Exception with the
    // message for a missing grabber and the factory's code.
    static ComPointer<IBaseFilter> MakeSampleGrabber(const SampleGrabberFactory& factory);
};

} // namespace Common
