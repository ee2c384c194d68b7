// Common::MJPGTransformer: decodes a Motion JPEG frame with the Windows
// Imaging Component as 32-bit BGRA (a colour image through the program's
// RGB24 kernel, anything else through the platform's converter). The decode runs in Prepare, before the
// device takes frameLock, into a back buffer the transformer keeps; Transform
// then only exchanges that buffer with the frame's pixels (or copies it,
// when the image is smaller than the frame). Holds the imaging factory for
// its whole life; the imaging objects of one decode (stream, decoder, frame,
// converter) live only during it; the buffers are reused frame after frame.
// Threads as Transformer; the factory is used only by the delivery thread.
#pragma once

#include "Common/ComPointer.h"
#include "Common/capture/convert/RowKernels.h"
#include "Common/capture/transform/Transformer.h"

#include <wincodec.h>

#include <cstdint>
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

    // Decodes the frame into the back buffer. A frame that does not start
    // with the JPEG start-of-image marker (0xFF 0xD8) raises
    // Exception(E_UNEXPECTED) before any decoder object exists; a decoder
    // failure raises Exception with the decoder's code; an image wider or
    // taller than FrameFormat::MaximumSide raises
    // Exception(WINCODEC_ERR_INSUFFICIENTBUFFER). A frame without Huffman
    // tables (as many cameras send them) is decoded with the standard tables
    // inserted.
    void Prepare(const std::uint8_t* source, std::uint32_t sourceLength) override;

    // Puts the image decoded by Prepare (or, without one, decoded now) into
    // `frame`. The decoded image's own size decides what is written:
    // `width`, `height` and `sourceStride` are not used. An image larger than
    // `frame` raises Exception(WINCODEC_ERR_INSUFFICIENTBUFFER) before
    // anything is written; a smaller one fills the top-left corner.
    void Transform(const std::uint8_t* source, std::uint32_t sourceLength, std::int32_t width,
                   std::int32_t height, std::int32_t sourceStride, FrameBuffer& frame) override;

private:
    const GUID& subtype_;
    ComPointer<IWICImagingFactory> factory_;
    const Convert::RowKernels& kernels_;
    // The last frame that needed the standard Huffman tables, with them.
    std::vector<std::uint8_t> completedFrame_;
    // The image Prepare decoded (B G R A, packed rows), valid while
    // `prepared_`; after an exchange with a frame it holds that frame's
    // previous pixels, whose memory the next decode reuses.
    std::vector<std::uint8_t> decoded_;
    // A colour image as the decoder gives it (B G R, packed rows).
    std::vector<std::uint8_t> decodedRgb_;
    std::uint32_t decodedWidth_ = 0;
    std::uint32_t decodedHeight_ = 0;
    bool prepared_ = false;
};

} // namespace Common
