#include "Common/capture/transform/IntegerTransformers.h"

namespace Common
{

RGB32Transformer::RGB32Transformer(const GUID& subtype)
    : KernelTransformer(subtype, Convert::SourceLayout::RGB32)
{
}

ARGB32Transformer::ARGB32Transformer(const GUID& subtype)
    : KernelTransformer(subtype, Convert::SourceLayout::ARGB32)
{
}

RGB24Transformer::RGB24Transformer(const GUID& subtype)
    : KernelTransformer(subtype, Convert::SourceLayout::RGB24)
{
}

RGB555Transformer::RGB555Transformer(const GUID& subtype)
    : KernelTransformer(subtype, Convert::SourceLayout::RGB555)
{
}

RGB565Transformer::RGB565Transformer(const GUID& subtype)
    : KernelTransformer(subtype, Convert::SourceLayout::RGB565)
{
}

RGB8Transformer::RGB8Transformer(const GUID& subtype)
    : KernelTransformer(subtype, Convert::SourceLayout::RGB8)
{
}

YUY2Transformer::YUY2Transformer(const GUID& subtype)
    : KernelTransformer(subtype, Convert::SourceLayout::YUY2)
{
}

YVYUTransformer::YVYUTransformer(const GUID& subtype)
    : KernelTransformer(subtype, Convert::SourceLayout::YVYU)
{
}

UYVYTransformer::UYVYTransformer(const GUID& subtype)
    : KernelTransformer(subtype, Convert::SourceLayout::UYVY)
{
}

NV12Transformer::NV12Transformer(const GUID& subtype)
    : KernelTransformer(subtype, Convert::SourceLayout::NV12)
{
}

} // namespace Common
