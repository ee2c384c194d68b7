#include "app/CaptureBackendFactory.h"

#include "Common/capture/directshow/DirectShowVideoCapture.h"

namespace TavixCapture
{

std::unique_ptr<Common::VideoCapture> CreateCaptureBackend(std::int32_t captureApiFamily, bool skipErrorDevice,
                                                           bool allowDuplicateFrameFormat)
{
    if (captureApiFamily == 1)
    {
        return std::make_unique<Common::DirectShowVideoCapture>(skipErrorDevice, allowDuplicateFrameFormat);
    }
    // The Media Foundation backend is not built in yet: it lists no device.
    return std::make_unique<Common::VideoCapture>();
}

} // namespace TavixCapture
