#include "app/CaptureBackendFactory.h"

#include "Common/capture/directshow/DirectShowVideoCapture.h"
#include "Common/capture/mediafoundation/MediaFoundationVideoCapture.h"

namespace TavixCapture
{

std::unique_ptr<Common::VideoCapture>
CreateCaptureBackend(std::int32_t captureApiFamily, bool skipErrorDevice, bool allowDuplicateFrameFormat)
{
    if (captureApiFamily == 1)
    {
        return std::make_unique<Common::DirectShowVideoCapture>(skipErrorDevice, allowDuplicateFrameFormat);
    }
    return std::make_unique<Common::MediaFoundationVideoCapture>(skipErrorDevice, allowDuplicateFrameFormat);
}

} // namespace TavixCapture
