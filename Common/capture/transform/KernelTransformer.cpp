#include "Common/capture/transform/KernelTransformer.h"

#include "Common/Exception.h"
#include "Common/capture/convert/ConvertToBgra.h"
#include "Common/capture/convert/KernelDispatch.h"

namespace Common
{

KernelTransformer::KernelTransformer(const GUID& subtype, Convert::SourceLayout layout)
    : subtype_(subtype), layout_(layout), kernels_(Convert::ActiveRowKernels())
{
}

void KernelTransformer::Transform(const std::uint8_t* source, std::uint32_t sourceLength, std::int32_t width,
                                  std::int32_t height, std::int32_t sourceStride, FrameBuffer& frame)
{
    if (sourceLength != 0 &&
        sourceLength < Convert::RequiredSourceBytes(layout_, width, height, sourceStride))
    {
        Exception error(L"フレームのデータが不足しています。");
        error.ErrorCode = HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
        throw error;
    }
    const Convert::BgraImage destination = {frame.pixels.data(), frame.width, frame.height, frame.stride};
    Convert::ConvertToBgra(kernels_, layout_, source, width, height, sourceStride, destination);
}

} // namespace Common
