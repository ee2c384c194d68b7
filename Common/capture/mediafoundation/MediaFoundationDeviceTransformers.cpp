// MediaFoundationDevice::CreateTransformers: one of each transformer, in the
// order the device searches them.
#include "Common/capture/mediafoundation/MediaFoundationDeviceIntegerTransformers.h"
#include "Common/capture/mediafoundation/MediaFoundationDeviceMJPGTransformer.h"

namespace Common
{

std::vector<std::shared_ptr<MediaFoundationDevice::Transformer>> MediaFoundationDevice::CreateTransformers()
{
    return {
        std::make_shared<RGB32Transformer>(),  std::make_shared<ARGB32Transformer>(),
        std::make_shared<RGB24Transformer>(),  std::make_shared<RGB555Transformer>(),
        std::make_shared<RGB565Transformer>(), std::make_shared<RGB8Transformer>(),
        std::make_shared<YUY2Transformer>(),   std::make_shared<YVYUTransformer>(),
        std::make_shared<UYVYTransformer>(),   std::make_shared<NV12Transformer>(),
        std::make_shared<MJPGTransformer>(),
    };
}

} // namespace Common
