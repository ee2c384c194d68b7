// MediaFoundationDevice::CreateTransformers: one of each transformer under its
// Media Foundation subtype, in the order the device searches them.
#include "Common/capture/mediafoundation/MediaFoundationDevice.h"
#include "Common/capture/transform/IntegerTransformers.h"
#include "Common/capture/transform/MJPGTransformer.h"

#include <mfapi.h>

namespace Common
{

std::vector<std::shared_ptr<Transformer>> MediaFoundationDevice::CreateTransformers()
{
    return {
        std::make_shared<RGB32Transformer>(MFVideoFormat_RGB32),
        std::make_shared<ARGB32Transformer>(MFVideoFormat_ARGB32),
        std::make_shared<RGB24Transformer>(MFVideoFormat_RGB24),
        std::make_shared<RGB555Transformer>(MFVideoFormat_RGB555),
        std::make_shared<RGB565Transformer>(MFVideoFormat_RGB565),
        std::make_shared<RGB8Transformer>(MFVideoFormat_RGB8),
        std::make_shared<YUY2Transformer>(MFVideoFormat_YUY2),
        std::make_shared<YVYUTransformer>(MFVideoFormat_YVYU),
        std::make_shared<UYVYTransformer>(MFVideoFormat_UYVY),
        std::make_shared<NV12Transformer>(MFVideoFormat_NV12),
        std::make_shared<MJPGTransformer>(MFVideoFormat_MJPG),
    };
}

} // namespace Common
