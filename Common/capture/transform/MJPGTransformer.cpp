#include "Common/capture/transform/MJPGTransformer.h"

#include "Common/capture/convert/ConvertToBgra.h"
#include "Common/capture/convert/KernelDispatch.h"
#include "Common/capture/convert/MotionJpeg.h"

#include <cstring>
#include <utility>

namespace Common
{

MJPGTransformer::MJPGTransformer(const GUID& subtype)
    : subtype_(subtype), kernels_(Convert::ActiveRowKernels())
{
    factory_.CreateInstance(CLSID_WICImagingFactory2, CLSCTX_INPROC_SERVER);
}

MJPGTransformer::MJPGTransformer(const GUID& subtype, ComPointer<IWICImagingFactory> factory)
    : subtype_(subtype), factory_(std::move(factory)), kernels_(Convert::ActiveRowKernels())
{
    if (!factory_)
    {
        throw Exception(static_cast<HRESULT>(E_POINTER));
    }
}

const GUID& MJPGTransformer::GetSubtype() const
{
    return subtype_;
}

void MJPGTransformer::Prepare(const std::uint8_t* source, std::uint32_t sourceLength)
{
    prepared_ = false;
    // A buffer shorter than the marker cannot be a JPEG image either.
    if (source == nullptr || sourceLength < 2 || source[0] != 0xFF || source[1] != 0xD8)
    {
        throw Exception(static_cast<HRESULT>(E_UNEXPECTED));
    }

    // Frames without Huffman tables get the standard ones, which the
    // Motion-JPEG formats let them assume and a still-image decoder needs.
    const std::uint8_t* data = source;
    std::uint32_t length = sourceLength;
    if (const std::size_t at = Convert::MissingHuffmanTablesAt(source, sourceLength); at != 0)
    {
        Convert::InsertStandardHuffmanTables(source, sourceLength, at, completedFrame_);
        data = completedFrame_.data();
        length = static_cast<std::uint32_t>(completedFrame_.size());
    }

    ComPointer<IWICStream> stream;
    ThrowIfFailed(factory_->CreateStream(stream.Put()));
    ThrowIfFailed(stream->InitializeFromMemory(const_cast<BYTE*>(data), length));

    ComPointer<IWICBitmapDecoder> decoder;
    ThrowIfFailed(factory_->CreateDecoderFromStream(stream.Get(), &GUID_ContainerFormatJpeg,
                                                    WICDecodeMetadataCacheOnDemand, decoder.Put()));
    ComPointer<IWICBitmapFrameDecode> decodedFrame;
    ThrowIfFailed(decoder->GetFrame(0, decodedFrame.Put()));

    // Some decoders write a too large image past the end of the buffer
    // instead of failing, so the buffer is sized from the image first.
    UINT imageWidth = 0;
    UINT imageHeight = 0;
    ThrowIfFailed(decodedFrame->GetSize(&imageWidth, &imageHeight));
    if (imageWidth > static_cast<UINT>(FrameFormat::MaximumSide) ||
        imageHeight > static_cast<UINT>(FrameFormat::MaximumSide))
    {
        throw Exception(static_cast<HRESULT>(WINCODEC_ERR_INSUFFICIENTBUFFER));
    }
    const std::size_t bytes = static_cast<std::size_t>(imageWidth) * imageHeight * 4;
    // Same size frame after frame: nothing is allocated.
    if (decoded_.size() != bytes)
    {
        decoded_.resize(bytes);
    }
    WICPixelFormatGUID pixelFormat = {};
    ThrowIfFailed(decodedFrame->GetPixelFormat(&pixelFormat));
    if (pixelFormat == GUID_WICPixelFormat24bppBGR)
    {
        // Colour JPEG: the decoder's own rows, widened to B G R A by the
        // program's RGB24 kernel, several times faster than a converter.
        const std::size_t rowBytes = static_cast<std::size_t>(imageWidth) * 3;
        const std::size_t rgbBytes = rowBytes * imageHeight;
        if (decodedRgb_.size() != rgbBytes)
        {
            decodedRgb_.resize(rgbBytes);
        }
        ThrowIfFailed(decodedFrame->CopyPixels(nullptr, static_cast<UINT>(rowBytes),
                                               static_cast<UINT>(rgbBytes), decodedRgb_.data()));
        Convert::ConvertToBgra(kernels_,
                               Convert::SourceImage{Convert::SourceLayout::RGB24, decodedRgb_.data(),
                                                    static_cast<std::int32_t>(imageWidth),
                                                    static_cast<std::int32_t>(imageHeight),
                                                    static_cast<std::int32_t>(rowBytes)},
                               Convert::BgraImage{decoded_.data(), static_cast<std::int32_t>(imageWidth),
                                                  static_cast<std::int32_t>(imageHeight),
                                                  static_cast<std::int32_t>(imageWidth * 4)});
    }
    else
    {
        // Anything else (a grey JPEG): the platform's converter.
        ComPointer<IWICFormatConverter> converter;
        ThrowIfFailed(factory_->CreateFormatConverter(converter.Put()));
        ThrowIfFailed(converter->Initialize(decodedFrame.Get(), GUID_WICPixelFormat32bppBGRA,
                                            WICBitmapDitherTypeNone, nullptr, 0.0,
                                            WICBitmapPaletteTypeCustom));
        ThrowIfFailed(
            converter->CopyPixels(nullptr, imageWidth * 4, static_cast<UINT>(bytes), decoded_.data()));
    }
    decodedWidth_ = imageWidth;
    decodedHeight_ = imageHeight;
    prepared_ = true;
}

void MJPGTransformer::Transform(const std::uint8_t* source, std::uint32_t sourceLength, std::int32_t,
                                std::int32_t, std::int32_t, FrameBuffer& frame)
{
    if (!prepared_)
    {
        Prepare(source, sourceLength);
    }
    prepared_ = false;
    if (frame.width < 0 || frame.height < 0 || decodedWidth_ > static_cast<std::uint32_t>(frame.width) ||
        decodedHeight_ > static_cast<std::uint32_t>(frame.height) ||
        frame.pixels.size() < static_cast<std::size_t>(frame.stride) * static_cast<std::size_t>(frame.height))
    {
        throw Exception(static_cast<HRESULT>(WINCODEC_ERR_INSUFFICIENTBUFFER));
    }
    if (decodedWidth_ == static_cast<std::uint32_t>(frame.width) &&
        decodedHeight_ == static_cast<std::uint32_t>(frame.height) && decoded_.size() == frame.pixels.size())
    {
        // The whole frame: the buffers change places, no copy.
        frame.pixels.swap(decoded_);
        return;
    }
    const std::size_t rowBytes = static_cast<std::size_t>(decodedWidth_) * 4;
    for (std::uint32_t y = 0; y < decodedHeight_; ++y)
    {
        std::memcpy(frame.pixels.data() + y * static_cast<std::size_t>(frame.stride),
                    decoded_.data() + y * rowBytes, rowBytes);
    }
}

} // namespace Common
