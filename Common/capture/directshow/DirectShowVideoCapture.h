// Common::DirectShowVideoCapture: the capture devices of DirectShow's video
// input category. The constructor enumerates every device with its formats;
// a missing or empty category gives an empty list, not an error.
// UI thread (devices then deliver frames on DirectShow's streaming threads).
#pragma once

#include "Common/capture/VideoCapture.h"

namespace Common
{

class DirectShowVideoCapture : public VideoCapture
{
public:
    class DirectShowDevice;
    class DirectShowFrameFormat;

    // skipErrorDevice: leave out a device whose construction fails instead of
    // failing as a whole. allowDuplicateFrameFormat: keep formats that repeat
    // subtype, size and frame rate.
    DirectShowVideoCapture(bool skipErrorDevice, bool allowDuplicateFrameFormat);
};

} // namespace Common
