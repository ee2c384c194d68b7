// A Windows Imaging Component factory for the MJPG tests: forwards every call
// to the real factory, counts the per-frame objects it creates and keeps one
// reference to each, so a test can see whether a decoder object was created
// and whether the transformer released all of its own references.
// Single-threaded (the test thread).
#pragma once

#include "Common/ComPointer.h"

#include <wincodec.h>

#include <vector>

class CountingImagingFactory final : public IWICImagingFactory
{
public:
    CountingImagingFactory() { real_.CreateInstance(CLSID_WICImagingFactory2, CLSCTX_INPROC_SERVER); }
    virtual ~CountingImagingFactory() = default;

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

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** result) override
    {
        if (result == nullptr)
        {
            return E_POINTER;
        }
        if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, __uuidof(IWICImagingFactory)))
        {
            *result = static_cast<IWICImagingFactory*>(this);
            AddRef();
            return S_OK;
        }
        *result = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override
    {
        return static_cast<ULONG>(InterlockedIncrement(&references_));
    }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG count = InterlockedDecrement(&references_);
        if (count == 0)
        {
            delete this;
        }
        return static_cast<ULONG>(count);
    }

    HRESULT STDMETHODCALLTYPE CreateDecoderFromStream(IStream* stream, const GUID* vendor,
                                                      WICDecodeOptions options,
                                                      IWICBitmapDecoder** decoder) override
    {
        return Track(real_->CreateDecoderFromStream(stream, vendor, options, decoder), decoder);
    }
    HRESULT STDMETHODCALLTYPE CreateFormatConverter(IWICFormatConverter** converter) override
    {
        return Track(real_->CreateFormatConverter(converter), converter);
    }
    HRESULT STDMETHODCALLTYPE CreateStream(IWICStream** stream) override
    {
        return Track(real_->CreateStream(stream), stream);
    }

    HRESULT STDMETHODCALLTYPE CreateDecoderFromFilename(LPCWSTR name, const GUID* vendor, DWORD access,
                                                        WICDecodeOptions options,
                                                        IWICBitmapDecoder** decoder) override
    {
        return Track(real_->CreateDecoderFromFilename(name, vendor, access, options, decoder), decoder);
    }
    HRESULT STDMETHODCALLTYPE CreateDecoderFromFileHandle(ULONG_PTR file, const GUID* vendor,
                                                          WICDecodeOptions options,
                                                          IWICBitmapDecoder** decoder) override
    {
        return Track(real_->CreateDecoderFromFileHandle(file, vendor, options, decoder), decoder);
    }
    HRESULT STDMETHODCALLTYPE CreateComponentInfo(REFCLSID id, IWICComponentInfo** info) override
    {
        return real_->CreateComponentInfo(id, info);
    }
    HRESULT STDMETHODCALLTYPE CreateDecoder(REFGUID format, const GUID* vendor,
                                            IWICBitmapDecoder** decoder) override
    {
        return Track(real_->CreateDecoder(format, vendor, decoder), decoder);
    }
    HRESULT STDMETHODCALLTYPE CreateEncoder(REFGUID format, const GUID* vendor,
                                            IWICBitmapEncoder** encoder) override
    {
        return real_->CreateEncoder(format, vendor, encoder);
    }
    HRESULT STDMETHODCALLTYPE CreatePalette(IWICPalette** palette) override
    {
        return real_->CreatePalette(palette);
    }
    HRESULT STDMETHODCALLTYPE CreateBitmapScaler(IWICBitmapScaler** scaler) override
    {
        return Track(real_->CreateBitmapScaler(scaler), scaler);
    }
    HRESULT STDMETHODCALLTYPE CreateBitmapClipper(IWICBitmapClipper** clipper) override
    {
        return Track(real_->CreateBitmapClipper(clipper), clipper);
    }
    HRESULT STDMETHODCALLTYPE CreateBitmapFlipRotator(IWICBitmapFlipRotator** rotator) override
    {
        return Track(real_->CreateBitmapFlipRotator(rotator), rotator);
    }
    HRESULT STDMETHODCALLTYPE CreateColorContext(IWICColorContext** context) override
    {
        return real_->CreateColorContext(context);
    }
    HRESULT STDMETHODCALLTYPE CreateColorTransformer(IWICColorTransform** transform) override
    {
        return real_->CreateColorTransformer(transform);
    }
    HRESULT STDMETHODCALLTYPE CreateBitmap(UINT width, UINT height, REFWICPixelFormatGUID format,
                                           WICBitmapCreateCacheOption option, IWICBitmap** bitmap) override
    {
        return Track(real_->CreateBitmap(width, height, format, option, bitmap), bitmap);
    }
    HRESULT STDMETHODCALLTYPE CreateBitmapFromSource(IWICBitmapSource* source,
                                                     WICBitmapCreateCacheOption option,
                                                     IWICBitmap** bitmap) override
    {
        return Track(real_->CreateBitmapFromSource(source, option, bitmap), bitmap);
    }
    HRESULT STDMETHODCALLTYPE CreateBitmapFromSourceRect(IWICBitmapSource* source, UINT x, UINT y, UINT width,
                                                         UINT height, IWICBitmap** bitmap) override
    {
        return Track(real_->CreateBitmapFromSourceRect(source, x, y, width, height, bitmap), bitmap);
    }
    HRESULT STDMETHODCALLTYPE CreateBitmapFromMemory(UINT width, UINT height, REFWICPixelFormatGUID format,
                                                     UINT stride, UINT size, BYTE* buffer,
                                                     IWICBitmap** bitmap) override
    {
        return Track(real_->CreateBitmapFromMemory(width, height, format, stride, size, buffer, bitmap),
                     bitmap);
    }
    HRESULT STDMETHODCALLTYPE CreateBitmapFromHBITMAP(HBITMAP bitmapHandle, HPALETTE palette,
                                                      WICBitmapAlphaChannelOption options,
                                                      IWICBitmap** bitmap) override
    {
        return Track(real_->CreateBitmapFromHBITMAP(bitmapHandle, palette, options, bitmap), bitmap);
    }
    HRESULT STDMETHODCALLTYPE CreateBitmapFromHICON(HICON icon, IWICBitmap** bitmap) override
    {
        return Track(real_->CreateBitmapFromHICON(icon, bitmap), bitmap);
    }
    HRESULT STDMETHODCALLTYPE CreateComponentEnumerator(DWORD types, DWORD options,
                                                        IEnumUnknown** result) override
    {
        return real_->CreateComponentEnumerator(types, options, result);
    }
    HRESULT STDMETHODCALLTYPE CreateFastMetadataEncoderFromDecoder(IWICBitmapDecoder* decoder,
                                                                   IWICFastMetadataEncoder** encoder) override
    {
        return real_->CreateFastMetadataEncoderFromDecoder(decoder, encoder);
    }
    HRESULT STDMETHODCALLTYPE CreateFastMetadataEncoderFromFrameDecode(
        IWICBitmapFrameDecode* frame, IWICFastMetadataEncoder** encoder) override
    {
        return real_->CreateFastMetadataEncoderFromFrameDecode(frame, encoder);
    }
    HRESULT STDMETHODCALLTYPE CreateQueryWriter(REFGUID format, const GUID* vendor,
                                                IWICMetadataQueryWriter** writer) override
    {
        return real_->CreateQueryWriter(format, vendor, writer);
    }
    HRESULT STDMETHODCALLTYPE CreateQueryWriterFromReader(IWICMetadataQueryReader* reader, const GUID* vendor,
                                                          IWICMetadataQueryWriter** writer) override
    {
        return real_->CreateQueryWriterFromReader(reader, vendor, writer);
    }

private:
    template <class T> HRESULT Track(HRESULT result, T** object)
    {
        if (SUCCEEDED(result) && object != nullptr && *object != nullptr)
        {
            ++objectsCreated;
            created.emplace_back(static_cast<IUnknown*>(*object));
        }
        return result;
    }

    LONG references_ = 1;
    Common::ComPointer<IWICImagingFactory> real_;
};
