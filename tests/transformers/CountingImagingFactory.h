// A Windows Imaging Component factory for the MJPG tests: forwards every call
// to the real factory, counts the per-frame objects it creates (stream,
// decoder, converter) and keeps one reference to each, so a test can see
// whether a decoder object was created and whether the transformer released
// all of its own references. Single-threaded (the test thread).
#pragma once

#include "support/ComObject.h"

#include "Common/ComPointer.h"

#include <wincodec.h>

#include <vector>

class CountingImagingFactory final
    : public TestSupport::ComObject<TestSupport::Answers<IWICImagingFactory>, IWICImagingFactory>
{
public:
    CountingImagingFactory() { inner_.CreateInstance(CLSID_WICImagingFactory2, CLSCTX_INPROC_SERVER); }

    int objectsCreated = 0;
    std::vector<Common::ComPointer<IUnknown>> created;

    // Releases the objects, newest first; true when each release freed its
    // object, that is when nobody else (the transformer) still held one.
    bool ReleaseObjectsAndCheckFreed()
    {
        bool freed = true;
        while (!created.empty())
        {
            IUnknown* object = created.back().Detach();
            created.pop_back();
            freed = object->Release() == 0 && freed;
        }
        return freed;
    }

    HRESULT STDMETHODCALLTYPE CreateDecoderFromStream(IStream* stream, const GUID* vendor,
                                                      WICDecodeOptions options,
                                                      IWICBitmapDecoder** decoder) override
    {
        return Track(inner_->CreateDecoderFromStream(stream, vendor, options, decoder), decoder);
    }
    HRESULT STDMETHODCALLTYPE CreateFormatConverter(IWICFormatConverter** converter) override
    {
        return Track(inner_->CreateFormatConverter(converter), converter);
    }
    HRESULT STDMETHODCALLTYPE CreateStream(IWICStream** stream) override
    {
        return Track(inner_->CreateStream(stream), stream);
    }
    // clang-format off
    TAVIX_FORWARD(CreateDecoderFromFilename, (LPCWSTR n, const GUID* v, DWORD a, WICDecodeOptions o, IWICBitmapDecoder** d), (n, v, a, o, d))
    TAVIX_FORWARD(CreateDecoderFromFileHandle, (ULONG_PTR f, const GUID* v, WICDecodeOptions o, IWICBitmapDecoder** d), (f, v, o, d))
    TAVIX_FORWARD(CreateComponentInfo, (REFCLSID c, IWICComponentInfo** i), (c, i))
    TAVIX_FORWARD(CreateDecoder, (REFGUID f, const GUID* v, IWICBitmapDecoder** d), (f, v, d))
    TAVIX_FORWARD(CreateEncoder, (REFGUID f, const GUID* v, IWICBitmapEncoder** e), (f, v, e))
    TAVIX_FORWARD(CreatePalette, (IWICPalette** p), (p))
    TAVIX_FORWARD(CreateBitmapScaler, (IWICBitmapScaler** s), (s))
    TAVIX_FORWARD(CreateBitmapClipper, (IWICBitmapClipper** c), (c))
    TAVIX_FORWARD(CreateBitmapFlipRotator, (IWICBitmapFlipRotator** r), (r))
    TAVIX_FORWARD(CreateColorContext, (IWICColorContext** c), (c))
    TAVIX_FORWARD(CreateColorTransformer, (IWICColorTransform** t), (t))
    TAVIX_FORWARD(CreateBitmap, (UINT w, UINT h, REFWICPixelFormatGUID f, WICBitmapCreateCacheOption o, IWICBitmap** b), (w, h, f, o, b))
    TAVIX_FORWARD(CreateBitmapFromSource, (IWICBitmapSource* s, WICBitmapCreateCacheOption o, IWICBitmap** b), (s, o, b))
    TAVIX_FORWARD(CreateBitmapFromSourceRect, (IWICBitmapSource* s, UINT x, UINT y, UINT w, UINT h, IWICBitmap** b), (s, x, y, w, h, b))
    TAVIX_FORWARD(CreateBitmapFromMemory, (UINT w, UINT h, REFWICPixelFormatGUID f, UINT s, UINT z, BYTE* p, IWICBitmap** b), (w, h, f, s, z, p, b))
    TAVIX_FORWARD(CreateBitmapFromHBITMAP, (HBITMAP b, HPALETTE p, WICBitmapAlphaChannelOption o, IWICBitmap** r), (b, p, o, r))
    TAVIX_FORWARD(CreateBitmapFromHICON, (HICON i, IWICBitmap** b), (i, b))
    TAVIX_FORWARD(CreateComponentEnumerator, (DWORD t, DWORD o, IEnumUnknown** e), (t, o, e))
    TAVIX_FORWARD(CreateFastMetadataEncoderFromDecoder, (IWICBitmapDecoder* d, IWICFastMetadataEncoder** e), (d, e))
    TAVIX_FORWARD(CreateFastMetadataEncoderFromFrameDecode, (IWICBitmapFrameDecode* d, IWICFastMetadataEncoder** e), (d, e))
    TAVIX_FORWARD(CreateQueryWriter, (REFGUID f, const GUID* v, IWICMetadataQueryWriter** w), (f, v, w))
    TAVIX_FORWARD(CreateQueryWriterFromReader, (IWICMetadataQueryReader* r, const GUID* v, IWICMetadataQueryWriter** w), (r, v, w))
    // clang-format on

private:
    template <typename T> HRESULT Track(HRESULT hr, T** object)
    {
        if (SUCCEEDED(hr) && *object != nullptr)
        {
            ++objectsCreated;
            created.emplace_back(static_cast<IUnknown*>(*object));
        }
        return hr;
    }

    Common::ComPointer<IWICImagingFactory> inner_;
};
