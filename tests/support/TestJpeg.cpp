#include "TestJpeg.h"

#include "Common/ComPointer.h"

#include <wincodec.h>

namespace TestSupport
{

using Common::ComPointer;
using Common::ThrowIfFailed;

std::vector<std::uint8_t> EncodeJpeg(int width, int height,
                                     const std::function<void(int x, int y, std::uint8_t bgr[3])>& colour)
{
    ComPointer<IWICImagingFactory> factory;
    factory.CreateInstance(CLSID_WICImagingFactory2, CLSCTX_INPROC_SERVER);
    ComPointer<IStream> stream;
    ThrowIfFailed(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()));
    ComPointer<IWICBitmapEncoder> encoder;
    ThrowIfFailed(factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, encoder.Put()));
    ThrowIfFailed(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache));
    ComPointer<IWICBitmapFrameEncode> frame;
    ComPointer<IPropertyBag2> options;
    ThrowIfFailed(encoder->CreateNewFrame(frame.Put(), options.Put()));
    ThrowIfFailed(frame->Initialize(options.Get()));
    ThrowIfFailed(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height)));
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    ThrowIfFailed(frame->SetPixelFormat(&format));
    Common::ThrowIfFalse(IsEqualGUID(format, GUID_WICPixelFormat24bppBGR) != FALSE);
    std::vector<BYTE> pixels(static_cast<std::size_t>(width) * 3 * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            colour(x, y,
                   &pixels[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                            static_cast<std::size_t>(x)) *
                           3]);
        }
    }
    ThrowIfFailed(frame->WritePixels(static_cast<UINT>(height), static_cast<UINT>(width * 3),
                                     static_cast<UINT>(pixels.size()), pixels.data()));
    ThrowIfFailed(frame->Commit());
    ThrowIfFailed(encoder->Commit());

    STATSTG status = {};
    ThrowIfFailed(stream->Stat(&status, STATFLAG_NONAME));
    std::vector<std::uint8_t> jpeg(static_cast<std::size_t>(status.cbSize.QuadPart));
    const LARGE_INTEGER start = {};
    ThrowIfFailed(stream->Seek(start, STREAM_SEEK_SET, nullptr));
    ULONG read = 0;
    ThrowIfFailed(stream->Read(jpeg.data(), static_cast<ULONG>(jpeg.size()), &read));
    Common::ThrowIfFalse(read == jpeg.size());
    return jpeg;
}

} // namespace TestSupport
