#include "TestFrames.h"

#include "Common/ComPointer.h"

#include <mfapi.h>
#include <wincodec.h>

#include <algorithm>
#include <random>

namespace MediaFoundationTests
{

namespace
{

std::uint8_t Clip(int value)
{
    return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

// BT.601 studio range, integer form, as the program documents it.
void YuvToBgra(int y, int u, int v, std::uint8_t* out)
{
    const int c = y - 16;
    const int d = u - 128;
    const int e = v - 128;
    out[0] = Clip((298 * c + 516 * d + 128) >> 8);
    out[1] = Clip((298 * c - 100 * d - 208 * e + 128) >> 8);
    out[2] = Clip((298 * c + 409 * e + 128) >> 8);
    out[3] = 0xFF;
}

bool Is(const GUID& a, const GUID& b)
{
    return IsEqualGUID(a, b) != FALSE;
}

// Encodes width x height B G R A pixels as a JPEG file and decodes that file
// again: the decoded pixels are what a JPEG decoder makes of the frame.
void MakeJpeg(std::int32_t width, std::int32_t height, std::mt19937& random, std::vector<std::uint8_t>& file,
              std::vector<std::uint8_t>& decoded)
{
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
    for (std::int32_t y = 0; y < height; ++y)
    {
        for (std::int32_t x = 0; x < width; ++x)
        {
            std::uint8_t* p = &pixels[(static_cast<std::size_t>(y) * width + x) * 4];
            p[0] = static_cast<std::uint8_t>(x * 255 / width);
            p[1] = static_cast<std::uint8_t>(y * 255 / height);
            p[2] = static_cast<std::uint8_t>(random() & 0x3F);
            p[3] = 0xFF;
        }
    }
    Common::ComPointer<IWICImagingFactory> factory;
    factory.CreateInstance(CLSID_WICImagingFactory, CLSCTX_INPROC_SERVER);
    Common::ComPointer<IStream> stream;
    Common::ThrowIfFailed(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()));
    Common::ComPointer<IWICBitmapEncoder> encoder;
    Common::ThrowIfFailed(factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, encoder.Put()));
    Common::ThrowIfFailed(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache));
    Common::ComPointer<IWICBitmapFrameEncode> frame;
    Common::ThrowIfFailed(encoder->CreateNewFrame(frame.Put(), nullptr));
    Common::ThrowIfFailed(frame->Initialize(nullptr));
    Common::ThrowIfFailed(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height)));
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    Common::ThrowIfFailed(frame->SetPixelFormat(&format));
    std::vector<std::uint8_t> bgr(static_cast<std::size_t>(width) * height * 3);
    for (std::size_t i = 0; i < static_cast<std::size_t>(width) * height; ++i)
    {
        std::copy_n(&pixels[i * 4], 3, &bgr[i * 3]);
    }
    Common::ComPointer<IWICBitmap> bitmap;
    Common::ThrowIfFailed(frame->WritePixels(static_cast<UINT>(height), static_cast<UINT>(width * 3),
                                             static_cast<UINT>(bgr.size()), bgr.data()));
    Common::ThrowIfFailed(frame->Commit());
    Common::ThrowIfFailed(encoder->Commit());

    STATSTG stat = {};
    Common::ThrowIfFailed(stream->Stat(&stat, STATFLAG_NONAME));
    file.resize(static_cast<std::size_t>(stat.cbSize.QuadPart));
    LARGE_INTEGER start = {};
    Common::ThrowIfFailed(stream->Seek(start, STREAM_SEEK_SET, nullptr));
    ULONG read = 0;
    Common::ThrowIfFailed(stream->Read(file.data(), static_cast<ULONG>(file.size()), &read));

    Common::ComPointer<IWICStream> input;
    Common::ThrowIfFailed(factory->CreateStream(input.Put()));
    Common::ThrowIfFailed(input->InitializeFromMemory(file.data(), static_cast<DWORD>(file.size())));
    Common::ComPointer<IWICBitmapDecoder> decoder;
    Common::ThrowIfFailed(factory->CreateDecoderFromStream(input.Get(), nullptr,
                                                           WICDecodeMetadataCacheOnDemand, decoder.Put()));
    Common::ComPointer<IWICBitmapFrameDecode> decodedFrame;
    Common::ThrowIfFailed(decoder->GetFrame(0, decodedFrame.Put()));
    Common::ComPointer<IWICFormatConverter> converter;
    Common::ThrowIfFailed(factory->CreateFormatConverter(converter.Put()));
    Common::ThrowIfFailed(converter->Initialize(decodedFrame.Get(), GUID_WICPixelFormat32bppBGRA,
                                                WICBitmapDitherTypeNone, nullptr, 0.0,
                                                WICBitmapPaletteTypeCustom));
    decoded.resize(pixels.size());
    Common::ThrowIfFailed(converter->CopyPixels(nullptr, static_cast<UINT>(width * 4),
                                                static_cast<UINT>(decoded.size()), decoded.data()));
}

} // namespace

std::int32_t RowBytes(const GUID& subtype, std::int32_t width)
{
    if (Is(subtype, MFVideoFormat_RGB32) || Is(subtype, MFVideoFormat_ARGB32))
    {
        return width * 4;
    }
    if (Is(subtype, MFVideoFormat_RGB24))
    {
        return width * 3;
    }
    if (Is(subtype, MFVideoFormat_RGB555) || Is(subtype, MFVideoFormat_RGB565) ||
        Is(subtype, MFVideoFormat_YUY2) || Is(subtype, MFVideoFormat_YVYU) || Is(subtype, MFVideoFormat_UYVY))
    {
        return width * 2;
    }
    if (Is(subtype, MFVideoFormat_RGB8) || Is(subtype, MFVideoFormat_NV12) || Is(subtype, MFVideoFormat_I420))
    {
        return width;
    }
    return 0;
}

EncodedFrame EncodeFrame(const GUID& subtype, std::int32_t width, std::int32_t height, std::int32_t pitch,
                         bool bottomUp, bool twoDimensional, std::uint32_t seed)
{
    std::mt19937 random(seed);
    EncodedFrame result;
    result.width = width;
    result.height = height;
    result.expected.assign(static_cast<std::size_t>(width) * height * 4, 0);
    auto source = std::make_shared<TestFrameBytes>();
    result.source = source;

    if (Is(subtype, MFVideoFormat_MJPG))
    {
        MakeJpeg(width, height, random, source->bytes, result.expected);
        return result;
    }

    const std::int32_t rowBytes = RowBytes(subtype, width);
    if (pitch == 0)
    {
        pitch = rowBytes;
    }
    const bool planar = Is(subtype, MFVideoFormat_NV12) || Is(subtype, MFVideoFormat_I420);
    const std::int32_t memoryRows = planar ? height + (height + 1) / 2 : height;
    source->bytes.resize(static_cast<std::size_t>(pitch) * memoryRows);
    for (auto& byte : source->bytes)
    {
        byte = static_cast<std::uint8_t>(random());
    }
    // Image row y starts here (bottom-up: the top row is the last in memory).
    auto row = [&](std::int32_t y) -> const std::uint8_t*
    {
        const std::int32_t memoryRow = bottomUp ? height - 1 - y : y;
        return source->bytes.data() + static_cast<std::size_t>(pitch) * memoryRow;
    };
    result.stride = bottomUp ? -pitch : pitch;
    source->twoDimensional = twoDimensional;
    source->pitch = result.stride;
    source->scanline0Offset = bottomUp ? static_cast<std::size_t>(pitch) * (height - 1) : 0;

    for (std::int32_t y = 0; y < height; ++y)
    {
        const std::uint8_t* s = row(y);
        for (std::int32_t x = 0; x < width; ++x)
        {
            std::uint8_t* out = &result.expected[(static_cast<std::size_t>(y) * width + x) * 4];
            if (Is(subtype, MFVideoFormat_RGB32) || Is(subtype, MFVideoFormat_ARGB32))
            {
                std::copy_n(s + x * 4, 4, out);
                if (Is(subtype, MFVideoFormat_RGB32))
                {
                    out[3] = 0xFF;
                }
            }
            else if (Is(subtype, MFVideoFormat_RGB24))
            {
                std::copy_n(s + x * 3, 3, out);
                out[3] = 0xFF;
            }
            else if (Is(subtype, MFVideoFormat_RGB555) || Is(subtype, MFVideoFormat_RGB565))
            {
                const unsigned p = s[x * 2] | (s[x * 2 + 1] << 8);
                const bool is565 = Is(subtype, MFVideoFormat_RGB565);
                out[0] = static_cast<std::uint8_t>(p << 3);
                out[1] = static_cast<std::uint8_t>(is565 ? (p >> 5) << 2 : (p >> 5) << 3);
                out[2] = static_cast<std::uint8_t>(is565 ? (p >> 11) << 3 : (p >> 10) << 3);
                out[3] = 0xFF;
            }
            else if (Is(subtype, MFVideoFormat_RGB8))
            {
                out[0] = out[1] = out[2] = s[x];
                out[3] = 0xFF;
            }
            else if (Is(subtype, MFVideoFormat_YUY2) || Is(subtype, MFVideoFormat_YVYU) ||
                     Is(subtype, MFVideoFormat_UYVY))
            {
                const std::uint8_t* group = s + (x / 2) * 4;
                int y0, y1, u, v;
                if (Is(subtype, MFVideoFormat_YUY2))
                {
                    y0 = group[0], u = group[1], y1 = group[2], v = group[3];
                }
                else if (Is(subtype, MFVideoFormat_YVYU))
                {
                    y0 = group[0], v = group[1], y1 = group[2], u = group[3];
                }
                else
                {
                    u = group[0], y0 = group[1], v = group[2], y1 = group[3];
                }
                YuvToBgra(x % 2 == 0 ? y0 : y1, u, v, out);
            }
            else if (Is(subtype, MFVideoFormat_NV12))
            {
                const std::uint8_t* chroma =
                    source->bytes.data() + static_cast<std::size_t>(pitch) * (height + y / 2) + (x / 2) * 2;
                YuvToBgra(s[x], chroma[0], chroma[1], out);
            }
        }
    }
    return result;
}

} // namespace MediaFoundationTests
