// Common::KernelTransformer: the shared body of the ten integer transformers
// (RGB32 ... NV12): checks that a buffer of known length holds the frame and
// runs the conversion kernels (Common/capture/convert) straight into
// frame.pixels. The kernel variant is chosen once, when the transformer is
// built; the source format's YUV encoding and picture placement whenever the
// device selects it (SetSourceFormat). Threads as Transformer.
#pragma once

#include "Common/capture/convert/RowKernels.h"
#include "Common/capture/convert/SourceLayout.h"
#include "Common/capture/transform/Transformer.h"

namespace Common
{

class KernelTransformer : public Transformer
{
public:
    const GUID& GetSubtype() const override { return subtype_; }

    // Converts the first min(width, frame.width) columns of the first
    // min(height, frame.height) rows; nothing else of `frame` is written.
    // A non-zero sourceLength smaller than RequiredSourceBytes raises
    // Exception with HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER) and
    // "フレームのデータが不足しています。" before anything is read.
    // With a picture placed in a larger buffer (SetSourceFormat), `source`,
    // `sourceLength` and `sourceStride` describe the buffer and the picture
    // is taken from its place there. An NV12 buffer whose length is exactly
    // that of two planes of more rows than the picture (1088 for 1080) has
    // its chroma plane below all those rows.
    void Transform(const std::uint8_t* source, std::uint32_t sourceLength, std::int32_t width,
                   std::int32_t height, std::int32_t sourceStride, FrameBuffer& frame) override;

    void SetSourceFormat(const FrameFormat& format) override;

    Convert::SourceLayout GetLayout() const { return layout_; }

protected:
    // `subtype` names the layout in the creating backend's identifiers; it
    // refers to a constant that outlives the transformer.
    KernelTransformer(const GUID& subtype, Convert::SourceLayout layout);

private:
    const GUID& subtype_;
    const Convert::SourceLayout layout_;
    const Convert::RowKernels& kernels_;
    Convert::YuvEncoding encoding_ = {};
    std::int32_t pictureLeft_ = 0;
    std::int32_t pictureTop_ = 0;
    std::int32_t planeRows_ = 0;
};

} // namespace Common
