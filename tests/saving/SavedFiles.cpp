#include "SavedFiles.h"

#include "Common/ComPointer.h"

#include <wincodec.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace SavedFiles
{

Common::FrameBuffer PatternFrame(int width, int height, std::uint32_t seed)
{
    Common::FrameBuffer frame;
    frame.Resize(width, height);
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            std::uint8_t* p = frame.pixels.data() + static_cast<std::size_t>(y) * frame.stride + x * 4;
            p[0] = static_cast<std::uint8_t>(x * 3 + y * 5 + seed);
            p[1] = static_cast<std::uint8_t>(x * 7 + y * 2 + seed * 3);
            p[2] = static_cast<std::uint8_t>(x + y * 11 + seed * 5);
            p[3] = static_cast<std::uint8_t>(x * 13 + y);
        }
    }
    return frame;
}

DecodedImage Decode(const std::wstring& path)
{
    Common::ComPointer<IWICImagingFactory> factory;
    factory.CreateInstance(CLSID_WICImagingFactory, CLSCTX_INPROC_SERVER);
    Common::ComPointer<IWICBitmapDecoder> decoder;
    Common::ThrowIfFailed(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                             WICDecodeMetadataCacheOnDemand, decoder.Put()));
    DecodedImage image;
    Common::ThrowIfFailed(decoder->GetContainerFormat(&image.container));
    Common::ComPointer<IWICBitmapFrameDecode> frame;
    Common::ThrowIfFailed(decoder->GetFrame(0, frame.Put()));
    Common::ComPointer<IWICBitmapSource> converted;
    Common::ThrowIfFailed(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame.Get(), converted.Put()));
    UINT width = 0, height = 0;
    Common::ThrowIfFailed(converted->GetSize(&width, &height));
    image.frame.Resize(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height));
    // The buffer is exactly as large as the image (Wine writes past a short one).
    Common::ThrowIfFailed(converted->CopyPixels(nullptr, static_cast<UINT>(image.frame.stride),
                                                static_cast<UINT>(image.frame.pixels.size()),
                                                image.frame.pixels.data()));
    return image;
}

double MeanDifference(const Common::FrameBuffer& a, const Common::FrameBuffer& b)
{
    if (a.width != b.width || a.height != b.height)
    {
        throw std::runtime_error("frames of different size");
    }
    double sum = 0.0;
    for (int y = 0; y < a.height; ++y)
    {
        for (int x = 0; x < a.width; ++x)
        {
            const std::uint8_t* p = a.pixels.data() + static_cast<std::size_t>(y) * a.stride + x * 4;
            const std::uint8_t* q = b.pixels.data() + static_cast<std::size_t>(y) * b.stride + x * 4;
            for (int c = 0; c < 3; ++c)
            {
                sum += std::abs(p[c] - q[c]);
            }
        }
    }
    const double count = 3.0 * a.width * a.height;
    return count > 0 ? sum / count : 0.0;
}

} // namespace SavedFiles
