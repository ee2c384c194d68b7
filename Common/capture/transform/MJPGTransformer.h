// Common::MJPGTransformer: decodes a Motion JPEG frame
// with the Windows Imaging Component into the device's FrameBuffer as 32-bit
// BGRA. Holds the imaging factory for its whole life; every per-frame object
// (stream, decoder, frame, converter) lives only during Transform.
// Threads as Transformer; the factory is used only by the delivery thread.
#pragma once

#include "Common/ComPointer.h"
#include "Common/capture/transform/Transformer.h"

#include <wincodec.h>

#include <vector>

namespace Common
{

class MJPGTransformer final : public Transformer
{
public:
    // Creates the imaging factory; a failure raises Exception with its code.
    // `subtype` is the creating backend's MJPG identifier, a constant that
    // outlives the transformer.
    explicit MJPGTransformer(const GUID& subtype);
    // Uses the given imaging factory (which must not be empty).
    MJPGTransformer(const GUID& subtype, ComPointer<IWICImagingFactory> factory);

    const GUID& GetSubtype() const override;

    // A frame that does not start with the JPEG start-of-image marker
    // (0xFF 0xD8) raises Exception(E_UNEXPECTED) before any decoder object
    // exists; a decoder failure raises Exception with the decoder's code.
    // The decoded image's own size decides what is written: `width`,
    // `height` and `sourceStride` are not used. An image larger than `frame`
    // raises Exception(WINCODEC_ERR_INSUFFICIENTBUFFER) before anything is
    // copied; a smaller one fills the top-left corner. A frame without
    // Huffman tables (as many cameras send them) is decoded with the
    // standard tables inserted.
    void Transform(const std::uint8_t* source, std::uint32_t sourceLength, std::int32_t width,
                   std::int32_t height, std::int32_t sourceStride, FrameBuffer& frame) override;

private:
    const GUID& subtype_;
    ComPointer<IWICImagingFactory> factory_;
    // The last frame that needed the standard Huffman tables, with them;
    // kept so that frame after frame reuses its memory.
    std::vector<std::uint8_t> completedFrame_;
};

} // namespace Common
