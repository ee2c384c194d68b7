#include "ui/PreviewPainter.h"

#include "Common/Exception.h"
#include "Common/ui/Polyline.h"
#include "app/MainModel.h"
#include "framework/IProcessor.h"
#include "resources/resource.h"
#include "ui/PreviewProcessor.h"

#include <wincodec.h>

#include <algorithm>
#include <cstring>

namespace TavixCapture
{

namespace
{
constexpr float HaloRadius = 25.0f;

D2D1_COLOR_F Rgba(float r, float g, float b, float a)
{
    return D2D1::ColorF(r, g, b, a);
}

// The channel bytes of a profile pixel (B, G, R, A in memory order).
int Red(std::uint32_t pixel)
{
    return static_cast<int>((pixel >> 16) & 0xFF);
}
int Green(std::uint32_t pixel)
{
    return static_cast<int>((pixel >> 8) & 0xFF);
}
int Blue(std::uint32_t pixel)
{
    return static_cast<int>(pixel & 0xFF);
}

Common::ComPointer<ID2D1RadialGradientBrush> MakeHalo(ID2D1RenderTarget& target, const D2D1_COLOR_F& inner)
{
    const D2D1_GRADIENT_STOP stops[] = {
        {0.0f, Rgba(inner.r, inner.g, inner.b, 0.0f)},
        {0.7f, Rgba(inner.r, inner.g, inner.b, 0.5f)},
        {0.8f, Rgba(1.0f, 1.0f, 0.0f, 0.5f)},
        {1.0f, Rgba(1.0f, 1.0f, 0.0f, 0.0f)},
    };
    Common::ComPointer<ID2D1GradientStopCollection> collection;
    Common::ThrowIfFailed(target.CreateGradientStopCollection(stops, 4, D2D1_GAMMA_2_2,
                                                              D2D1_EXTEND_MODE_CLAMP, collection.Put()));
    Common::ComPointer<ID2D1RadialGradientBrush> brush;
    Common::ThrowIfFailed(target.CreateRadialGradientBrush(
        D2D1::RadialGradientBrushProperties(D2D1::Point2F(0.0f, 0.0f), D2D1::Point2F(0.0f, 0.0f), HaloRadius,
                                            HaloRadius),
        collection.Get(), brush.Put()));
    return brush;
}

Common::ComPointer<ID2D1SolidColorBrush> MakeBrush(ID2D1RenderTarget& target, const D2D1_COLOR_F& color)
{
    Common::ComPointer<ID2D1SolidColorBrush> brush;
    Common::ThrowIfFailed(target.CreateSolidColorBrush(color, brush.Put()));
    return brush;
}

std::uint32_t DivideUp(std::int32_t value, std::uint32_t divisor)
{
    return (static_cast<std::uint32_t>(value) + divisor - 1) / divisor;
}

// Why an output image cannot be read as a frame of width x height; empty when it can.
std::wstring CheckImage(const Common::FrameBuffer& image, std::int32_t width, std::int32_t height)
{
    const auto rowBytes = static_cast<std::size_t>(width) * 4;
    if (image.stride < 0 || static_cast<std::size_t>(image.stride) < rowBytes)
    {
        return L"行の幅 " + std::to_wstring(image.stride) + L" バイトが " + std::to_wstring(width) +
               L" 画素に足りません";
    }
    if (image.pixels.size() / static_cast<std::size_t>(image.stride) < static_cast<std::size_t>(height))
    {
        return L"画素の領域 " + std::to_wstring(image.pixels.size()) + L" バイトが行の幅 × 高さに足りません";
    }
    return std::wstring();
}
} // namespace

PreviewPainter::PreviewPainter(MainModel& model, PreviewProcessor& processor)
    : model_(model), processor_(processor)
{
    Common::ThrowIfFailed(DWriteCreateFactory(DWRITE_FACTORY_TYPE_SHARED, __uuidof(IDWriteFactory),
                                              reinterpret_cast<IUnknown**>(writeFactory_.Put())));
    Common::ThrowIfFailed(writeFactory_->CreateTextFormat(
        L"MS ゴシック", nullptr, DWRITE_FONT_WEIGHT_NORMAL, DWRITE_FONT_STYLE_NORMAL,
        DWRITE_FONT_STRETCH_NORMAL, 16.0f, L"", textFormat_.Put()));
}

void PreviewPainter::Discard() noexcept
{
    madeOn_ = nullptr;
    frameBitmap_.Reset();
    textBrush_.Reset();
    markerBrush_.Reset();
    idleHalo_.Reset();
    draggingHalo_.Reset();
    redBrush_.Reset();
    greenBrush_.Reset();
    blueBrush_.Reset();
}

void PreviewPainter::EnsureResources(ID2D1RenderTarget& target)
{
    if (madeOn_ == &target && markerBrush_)
    {
        return;
    }
    Discard();
    textBrush_ = MakeBrush(target, Rgba(1.0f, 0.0f, 0.0f, 1.0f));
    markerBrush_ = MakeBrush(target, Rgba(0.0f, 0.0f, 0.0f, 1.0f));
    idleHalo_ = MakeHalo(target, Rgba(0.0f, 0.0f, 1.0f, 1.0f));
    draggingHalo_ = MakeHalo(target, Rgba(1.0f, 0.0f, 0.0f, 1.0f));
    redBrush_ = MakeBrush(target, Rgba(1.0f, 0.0f, 0.0f, 1.0f));
    greenBrush_ = MakeBrush(target, Rgba(0.0f, 1.0f, 0.0f, 1.0f));
    blueBrush_ = MakeBrush(target, Rgba(0.0f, 0.0f, 1.0f, 1.0f));
    madeOn_ = &target;
}

void PreviewPainter::EnsureFrameBitmap(ID2D1RenderTarget& target, std::int32_t width, std::int32_t height)
{
    if (frameBitmap_ && width == frameWidth_ && height == frameHeight_)
    {
        return;
    }
    frameBitmap_.Reset();
    frameWidth_ = width;
    frameHeight_ = height;
    if (width <= 0 || height <= 0)
    {
        return;
    }
    const std::uint32_t largest = std::max<std::uint32_t>(target.GetMaximumBitmapSize(), 1);
    reduction_ = std::max(DivideUp(width, largest), DivideUp(height, largest));
    const std::uint32_t bitmapWidth = DivideUp(width, reduction_);
    const std::uint32_t bitmapHeight = DivideUp(height, reduction_);
    // Black until a frame of this size comes: the program's 10 x 10 image, scaled.
    LoadBlackImage(bitmapWidth, bitmapHeight);
    const D2D1_BITMAP_PROPERTIES properties =
        D2D1::BitmapProperties(D2D1::PixelFormat(DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_IGNORE));
    Common::ThrowIfFailed(target.CreateBitmap(D2D1::SizeU(bitmapWidth, bitmapHeight), staging_.data(),
                                              bitmapWidth * 4, properties, frameBitmap_.Put()));
    if (reduction_ == 1)
    {
        std::vector<std::uint8_t>().swap(staging_); // frames go in from shown_
    }
    bitmapNeedsFrame_ = true;
}

void PreviewPainter::LoadBlackImage(std::uint32_t width, std::uint32_t height)
{
    IWICImagingFactory* imaging = model_.GetImagingFactory();
    Common::ThrowIfFalse(imaging != nullptr);
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(IDR_FRAME_IMAGE), RT_TAVIX_DATA);
    Common::ThrowIfFalse(found != nullptr);
    const HGLOBAL loaded = LoadResource(instance, found);
    Common::ThrowIfFalse(loaded != nullptr);
    auto* bytes = static_cast<BYTE*>(LockResource(loaded));
    Common::ThrowIfFalse(bytes != nullptr);
    const DWORD size = SizeofResource(instance, found);

    Common::ComPointer<IWICStream> stream;
    Common::ThrowIfFailed(imaging->CreateStream(stream.Put()));
    Common::ThrowIfFailed(stream->InitializeFromMemory(bytes, size));
    Common::ComPointer<IWICBitmapDecoder> decoder;
    Common::ThrowIfFailed(
        imaging->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnLoad, decoder.Put()));
    Common::ComPointer<IWICBitmapFrameDecode> source;
    Common::ThrowIfFailed(decoder->GetFrame(0, source.Put()));
    Common::ComPointer<IWICBitmapScaler> scaler;
    Common::ThrowIfFailed(imaging->CreateBitmapScaler(scaler.Put()));
    Common::ThrowIfFailed(
        scaler->Initialize(source.Get(), width, height, WICBitmapInterpolationModeNearestNeighbor));
    Common::ComPointer<IWICFormatConverter> converter;
    Common::ThrowIfFailed(imaging->CreateFormatConverter(converter.Put()));
    Common::ThrowIfFailed(converter->Initialize(scaler.Get(), GUID_WICPixelFormat32bppBGRA,
                                                WICBitmapDitherTypeNone, nullptr, 0.0,
                                                WICBitmapPaletteTypeMedianCut));
    staging_.resize(static_cast<std::size_t>(width) * height * 4);
    // The buffer is exactly the size asked for (WIC under Wine writes past a short one).
    Common::ThrowIfFailed(
        converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(staging_.size()), staging_.data()));
}

// Under the device's frame lock: the processor's output image, or the
// camera's picture when there is no processor or its image cannot be read
// (told once); null while a frame of another size is still on its way out.
// The processor works on its output image under the same lock (frames are
// processed while the device holds it).
const Common::FrameBuffer* PreviewPainter::ChooseImage(void* context, const Common::FrameBuffer& latest)
{
    const ImageChoice& choice = *static_cast<const ImageChoice*>(context);
    const Common::FrameBuffer* image =
        choice.processor != nullptr ? choice.processor->GetOutputImage() : &latest;
    if (image != nullptr && image != &latest && image->width == choice.width &&
        image->height == choice.height)
    {
        const std::wstring wrong = CheckImage(*image, choice.width, choice.height);
        if (!wrong.empty())
        {
            choice.painter->processor_.OutputImageFailed(wrong);
            image = &latest; // the camera's picture rather than none
        }
    }
    if (image == nullptr || image->width != choice.width || image->height != choice.height ||
        !CheckImage(*image, choice.width, choice.height).empty())
    {
        return nullptr; // a frame of another size is still on its way out; the next one fits
    }
    return image;
}

// The newest output image copied into shown_ under the device's frame lock,
// then (scaled down where it must be) into the frame bitmap outside it: the
// upload takes milliseconds under software rendering, and the delivery
// thread waits for the lock meanwhile.
bool PreviewPainter::CopyLatestFrame(std::int32_t width, std::int32_t height)
{
    ImageChoice choice{this, model_.GetCurrentProcessor(), width, height};
    if (!model_.GetCurrentDevice().CopyLatestFrame(shown_, &ChooseImage, &choice))
    {
        return false;
    }
    const D2D1_SIZE_U size = frameBitmap_->GetPixelSize();
    if (reduction_ == 1)
    {
        Common::ThrowIfFailed(
            frameBitmap_->CopyFromMemory(nullptr, shown_.pixels.data(), static_cast<UINT32>(shown_.stride)));
    }
    else
    {
        const std::size_t rowBytes = static_cast<std::size_t>(size.width) * 4;
        staging_.resize(rowBytes * size.height);
        auto* out = reinterpret_cast<std::uint32_t*>(staging_.data());
        for (std::uint32_t y = 0; y < size.height; ++y)
        {
            const auto* row = reinterpret_cast<const std::uint32_t*>(
                shown_.pixels.data() + static_cast<std::size_t>(y) * reduction_ * shown_.stride);
            for (std::uint32_t x = 0; x < size.width; ++x)
            {
                *out++ = row[static_cast<std::size_t>(x) * reduction_];
            }
        }
        Common::ThrowIfFailed(
            frameBitmap_->CopyFromMemory(nullptr, staging_.data(), static_cast<UINT32>(rowBytes)));
    }
    bitmapNeedsFrame_ = false;
    return true;
}

void PreviewPainter::Paint(ID2D1RenderTarget& target, const PreviewGeometry& geometry, bool newFrame,
                           const Overlay& overlay)
{
    EnsureResources(target);
    target.Clear(Rgba(0.0f, 128.0f / 255.0f, 128.0f / 255.0f, 1.0f));
    const Common::FrameFormat* format = model_.GetCurrentDevice().GetSelectedFormat().get();
    if (format != nullptr)
    {
        EnsureFrameBitmap(target, format->width, format->height);
    }
    if (frameBitmap_ && (newFrame || bitmapNeedsFrame_) && CopyLatestFrame(frameWidth_, frameHeight_) &&
        newFrame)
    {
        ++framesShown_; // a bitmap made anew shows the same frame again: not counted
    }
    if (frameBitmap_)
    {
        const PreviewGeometry::Placement placement = geometry.Place();
        target.SetTransform(D2D1::Matrix3x2F::Translation(static_cast<float>(placement.x0),
                                                          static_cast<float>(placement.y0)));
        target.DrawBitmap(frameBitmap_.Get(),
                          D2D1::RectF(0.0f, 0.0f, static_cast<float>(placement.width),
                                      static_cast<float>(placement.height)),
                          1.0f, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR);
        // The active processor draws its overlay in DIPs from the image's corner.
        processor_.Draw(target, placement.scale);
        if (model_.GetIsMarkerVisible())
        {
            if (model_.GetIsProfileVisible())
            {
                DrawProfiles(target, placement);
            }
            DrawMarker(target, placement, overlay);
        }
        target.SetTransform(D2D1::Matrix3x2F::Identity());
    }
    if (overlay.debugText != nullptr && !overlay.debugText->empty())
    {
        const D2D1_SIZE_F view = target.GetSize();
        target.DrawText(overlay.debugText->c_str(), static_cast<UINT32>(overlay.debugText->size()),
                        textFormat_.Get(), D2D1::RectF(0.0f, 0.0f, view.width, view.height),
                        textBrush_.Get());
    }
}

void PreviewPainter::DrawProfiles(ID2D1RenderTarget& target, const PreviewGeometry::Placement& placement)
{
    model_.CopyProfiles(rowProfile_, columnProfile_);
    const float s = static_cast<float>(placement.scale);
    ID2D1SolidColorBrush* brushes[3] = {redBrush_.Get(), greenBrush_.Get(), blueBrush_.Get()};
    int (*const channels[3])(std::uint32_t) = {Red, Green, Blue};

    // Row profile: value v drawn v DIPs above the view's bottom edge.
    const float viewHeight = target.GetSize().height;
    target.SetTransform(
        D2D1::Matrix3x2F(1.0f, 0.0f, 0.0f, -1.0f, static_cast<float>(placement.x0), viewHeight));
    for (int c = 0; c < 3; ++c)
    {
        profilePoints_.clear();
        for (std::size_t i = 0; i < rowProfile_.size(); ++i)
        {
            profilePoints_.push_back(D2D1::Point2F((static_cast<float>(i) + 0.5f) * s,
                                                   static_cast<float>(channels[c](rowProfile_[i]))));
        }
        Common::Mfc::DrawPolyline(target, profilePoints_, brushes[c]);
    }
    // Column profile: value v drawn v DIPs right of the view's left edge.
    target.SetTransform(D2D1::Matrix3x2F::Translation(0.0f, static_cast<float>(placement.y0)));
    for (int c = 0; c < 3; ++c)
    {
        profilePoints_.clear();
        for (std::size_t i = 0; i < columnProfile_.size(); ++i)
        {
            profilePoints_.push_back(D2D1::Point2F(static_cast<float>(channels[c](columnProfile_[i])),
                                                   (static_cast<float>(i) + 0.5f) * s));
        }
        Common::Mfc::DrawPolyline(target, profilePoints_, brushes[c]);
    }
}

void PreviewPainter::DrawMarker(ID2D1RenderTarget& target, const PreviewGeometry::Placement& placement,
                                const Overlay& overlay)
{
    const COLORREF color = model_.GetMarkerColor();
    markerBrush_->SetColor(
        Rgba(GetRValue(color) / 255.0f, GetGValue(color) / 255.0f, GetBValue(color) / 255.0f, 1.0f));
    target.SetTransform(
        D2D1::Matrix3x2F::Translation(static_cast<float>(placement.x0), static_cast<float>(placement.y0)));
    const POINT marker = model_.GetMarkerPosition();
    const float mx = static_cast<float>((marker.x + 0.5) * placement.scale);
    const float my = static_cast<float>((marker.y + 0.5) * placement.scale);
    const float w = static_cast<float>(placement.width);
    const float h = static_cast<float>(placement.height);
    target.DrawLine(D2D1::Point2F(mx, 0.0f), D2D1::Point2F(mx, h), markerBrush_.Get(), 1.0f);
    target.DrawLine(D2D1::Point2F(0.0f, my), D2D1::Point2F(w, my), markerBrush_.Get(), 1.0f);
    if (overlay.hover)
    {
        idleHalo_->SetCenter(D2D1::Point2F(mx, my));
        draggingHalo_->SetCenter(D2D1::Point2F(mx, my));
        ID2D1RadialGradientBrush* halo = overlay.dragging ? draggingHalo_.Get() : idleHalo_.Get();
        target.FillEllipse(D2D1::Ellipse(D2D1::Point2F(mx, my), HaloRadius, HaloRadius), halo);
    }
}

} // namespace TavixCapture
