#include "Common/capture/mediafoundation/MediaFoundationDeviceIntegerTransformers.h"

#include <mfapi.h>

namespace Common
{

MediaFoundationDevice::RGB32Transformer::RGB32Transformer()
    : KernelTransformer(MFVideoFormat_RGB32, Convert::SourceLayout::RGB32)
{
}

MediaFoundationDevice::ARGB32Transformer::ARGB32Transformer()
    : KernelTransformer(MFVideoFormat_ARGB32, Convert::SourceLayout::ARGB32)
{
}

MediaFoundationDevice::RGB24Transformer::RGB24Transformer()
    : KernelTransformer(MFVideoFormat_RGB24, Convert::SourceLayout::RGB24)
{
}

MediaFoundationDevice::RGB555Transformer::RGB555Transformer()
    : KernelTransformer(MFVideoFormat_RGB555, Convert::SourceLayout::RGB555)
{
}

MediaFoundationDevice::RGB565Transformer::RGB565Transformer()
    : KernelTransformer(MFVideoFormat_RGB565, Convert::SourceLayout::RGB565)
{
}

MediaFoundationDevice::RGB8Transformer::RGB8Transformer()
    : KernelTransformer(MFVideoFormat_RGB8, Convert::SourceLayout::RGB8)
{
}

MediaFoundationDevice::YUY2Transformer::YUY2Transformer()
    : KernelTransformer(MFVideoFormat_YUY2, Convert::SourceLayout::YUY2)
{
}

MediaFoundationDevice::YVYUTransformer::YVYUTransformer()
    : KernelTransformer(MFVideoFormat_YVYU, Convert::SourceLayout::YVYU)
{
}

MediaFoundationDevice::UYVYTransformer::UYVYTransformer()
    : KernelTransformer(MFVideoFormat_UYVY, Convert::SourceLayout::UYVY)
{
}

MediaFoundationDevice::NV12Transformer::NV12Transformer()
    : KernelTransformer(MFVideoFormat_NV12, Convert::SourceLayout::NV12)
{
}

} // namespace Common
