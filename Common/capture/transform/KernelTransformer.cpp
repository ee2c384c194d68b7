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

void KernelTransformer::SetSourceFormat(const FrameFormat& format)
{
    encoding_ = format.yuvEncoding;
    const bool paired = layout_ == Convert::SourceLayout::YUY2 || layout_ == Convert::SourceLayout::YVYU ||
                        layout_ == Convert::SourceLayout::UYVY || layout_ == Convert::SourceLayout::NV12;
    pictureLeft_ = format.pictureLeft > 0 ? (paired ? format.pictureLeft & ~1 : format.pictureLeft) : 0;
    pictureTop_ = format.pictureTop > 0
                      ? (layout_ == Convert::SourceLayout::NV12 ? format.pictureTop & ~1 : format.pictureTop)
                      : 0;
    planeRows_ = format.planeRows > 0 ? format.planeRows : 0;
}

void KernelTransformer::Transform(const std::uint8_t* source, std::uint32_t sourceLength, std::int32_t width,
                                  std::int32_t height, std::int32_t sourceStride, FrameBuffer& frame)
{
    using Convert::SourceLayout;
    // The buffer holds the picture from its first column and row on.
    const std::int64_t bufferWidth = static_cast<std::int64_t>(width) + pictureLeft_;
    const std::int64_t bufferHeight = static_cast<std::int64_t>(height) + pictureTop_;
    if (bufferWidth > INT32_MAX || bufferHeight > INT32_MAX)
    {
        throw Exception(static_cast<HRESULT>(E_INVALIDARG));
    }
    std::int32_t planeRows = planeRows_;
    if (layout_ == SourceLayout::NV12 && planeRows == 0 && sourceLength != 0 && sourceStride > 0)
    {
        // Two planes of r rows hold r * 3 / 2 rows of `sourceStride` bytes.
        const std::uint64_t rowsInBuffer2 = 2ull * sourceLength / static_cast<std::uint64_t>(sourceStride);
        if (2ull * sourceLength % (3ull * static_cast<std::uint64_t>(sourceStride)) == 0 &&
            rowsInBuffer2 / 3 > static_cast<std::uint64_t>(bufferHeight) && rowsInBuffer2 / 3 <= INT32_MAX)
        {
            planeRows = static_cast<std::int32_t>(rowsInBuffer2 / 3);
        }
    }
    if (planeRows < bufferHeight)
    {
        planeRows = static_cast<std::int32_t>(bufferHeight);
    }
    if (sourceLength != 0 &&
        sourceLength < Convert::RequiredSourceBytes(layout_, static_cast<std::int32_t>(bufferWidth),
                                                    static_cast<std::int32_t>(bufferHeight), sourceStride,
                                                    planeRows))
    {
        Exception error(L"フレームのデータが不足しています。");
        error.ErrorCode = HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
        throw error;
    }
    const std::ptrdiff_t stride = sourceStride;
    // Packed 4:2:2 pictures start on a whole group (pictureLeft_ is even).
    const auto left = static_cast<std::ptrdiff_t>(Convert::SourceRowBytes(layout_, pictureLeft_));
    const std::uint8_t* picture = source + pictureTop_ * stride + left;
    const std::uint8_t* chroma = nullptr;
    if (layout_ == SourceLayout::NV12)
    {
        chroma = source + planeRows * stride + pictureTop_ / 2 * stride + pictureLeft_;
    }
    const Convert::BgraImage destination = {frame.pixels.data(), frame.width, frame.height, frame.stride};
    Convert::ConvertToBgra(
        kernels_, Convert::SourceImage{layout_, picture, width, height, sourceStride, chroma, encoding_},
        destination);
}

} // namespace Common
