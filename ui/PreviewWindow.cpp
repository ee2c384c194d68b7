#include "ui/PreviewWindow.h"

#include "Common/Exception.h"
#include "Common/ui/Polyline.h"
#include "app/MainModel.h"
#include "framework/IProcessor.h"
#include "resources/resource.h"

#include <wincodec.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace TavixCapture
{

namespace
{
constexpr float HaloRadius = 25.0f;
constexpr float HoverDistance = 20.0f;
constexpr UINT DebugTextMilliseconds = 1000;

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
} // namespace

PreviewWindow::PreviewWindow(MainModel& model, bool isDebugMessageEnabled)
    : model_(model), isDebugMessageEnabled_(isDebugMessageEnabled)
{
    Common::ThrowIfFailed(DWriteCreateFactory(DWRITE_FACTORY_TYPE_SHARED, __uuidof(IDWriteFactory),
                                              reinterpret_cast<IUnknown**>(writeFactory_.Put())));
}

PreviewWindow::~PreviewWindow()
{
    DestroyWindow();
}

void PreviewWindow::Create(HWND parent, const RECT& rect)
{
    CreateEx(0, L"TavixPreview", L"", WS_CHILD | WS_VISIBLE | WS_BORDER, rect, parent, 0);
    renderTarget_.Create(
        GetSafeHwnd(), [this](ID2D1RenderTarget& target) { CreateResources(target); },
        [this]() { DiscardResources(); });
    frameHandOff_.Connect(&model_, static_cast<std::int32_t>(PropertyId::Frame));
    model_.AddListener(this);
    model_.SetPreviewWindow(GetSafeHwnd());
}

bool PreviewWindow::OnDestroy()
{
    if (debugTimer_ != 0)
    {
        KillTimer(debugTimer_);
        debugTimer_ = 0;
    }
    model_.SetPreviewWindow(nullptr);
    model_.RemoveListener(this);
    frameHandOff_.Connect(nullptr, 0);
    renderTarget_.Release();
    return false;
}

// ---- drawing resources ----

void PreviewWindow::CreateResources(ID2D1RenderTarget& target)
{
    textBrush_ = MakeBrush(target, Rgba(1.0f, 0.0f, 0.0f, 1.0f));
    Common::ThrowIfFailed(writeFactory_->CreateTextFormat(
        L"MS ゴシック", nullptr, DWRITE_FONT_WEIGHT_NORMAL, DWRITE_FONT_STYLE_NORMAL,
        DWRITE_FONT_STRETCH_NORMAL, 16.0f, L"", textFormat_.Put()));
    markerBrush_ = MakeBrush(target, Rgba(0.0f, 0.0f, 0.0f, 1.0f));
    idleHalo_ = MakeHalo(target, Rgba(0.0f, 0.0f, 1.0f, 1.0f));
    draggingHalo_ = MakeHalo(target, Rgba(1.0f, 0.0f, 0.0f, 1.0f));
    redBrush_ = MakeBrush(target, Rgba(1.0f, 0.0f, 0.0f, 1.0f));
    greenBrush_ = MakeBrush(target, Rgba(0.0f, 1.0f, 0.0f, 1.0f));
    blueBrush_ = MakeBrush(target, Rgba(0.0f, 0.0f, 1.0f, 1.0f));
    if (model_.GetCurrentDevice().GetSelectedFormat())
    {
        // After a lost device the model sends nothing: set up again here.
        UpdateMarkerBrush();
    }
}

void PreviewWindow::DiscardResources() noexcept
{
    frameBitmap_.Reset();
    textBrush_.Reset();
    textFormat_.Reset();
    markerBrush_.Reset();
    idleHalo_.Reset();
    draggingHalo_.Reset();
    redBrush_.Reset();
    greenBrush_.Reset();
    blueBrush_.Reset();
}

void PreviewWindow::UpdateMarkerBrush()
{
    if (!markerBrush_)
    {
        return;
    }
    const COLORREF color = model_.GetMarkerColor();
    markerBrush_->SetColor(
        Rgba(GetRValue(color) / 255.0f, GetGValue(color) / 255.0f, GetBValue(color) / 255.0f, 1.0f));
}

void PreviewWindow::SetUpFrameBitmap()
{
    const Common::FrameFormat& format = *model_.GetCurrentDevice().GetSelectedFormat();
    if (frameBitmap_)
    {
        const D2D1_SIZE_U size = frameBitmap_->GetPixelSize();
        if (static_cast<std::int32_t>(size.width) != format.width ||
            static_cast<std::int32_t>(size.height) != format.height)
        {
            frameBitmap_.Reset();
        }
    }
    if (!frameBitmap_ && renderTarget_ && format.width > 0 && format.height > 0)
    {
        CreateFrameBitmap(format.width, format.height);
    }
    UpdateScrollBars();
}

// The embedded 10x10 black image, scaled to the frame size and realised on
// the render target: the view shows a black image until the first frame.
void PreviewWindow::CreateFrameBitmap(std::int32_t width, std::int32_t height)
{
    IWICImagingFactory* imaging = model_.GetImagingFactory();
    Common::ThrowIfFalse(imaging != nullptr);
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(IDR_FRAME_IMAGE), RT_TAVIX_DATA);
    Common::Mfc::ThrowLastErrorIf(found == nullptr);
    const HGLOBAL loaded = LoadResource(instance, found);
    Common::Mfc::ThrowLastErrorIf(loaded == nullptr);
    auto* bytes = static_cast<BYTE*>(LockResource(loaded));
    Common::Mfc::ThrowLastErrorIf(bytes == nullptr);
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
    Common::ThrowIfFailed(scaler->Initialize(source.Get(), static_cast<UINT>(width),
                                             static_cast<UINT>(height),
                                             WICBitmapInterpolationModeNearestNeighbor));
    Common::ComPointer<IWICFormatConverter> converter;
    Common::ThrowIfFailed(imaging->CreateFormatConverter(converter.Put()));
    Common::ThrowIfFailed(converter->Initialize(scaler.Get(), GUID_WICPixelFormat32bppPBGRA,
                                                WICBitmapDitherTypeNone, nullptr, 0.0,
                                                WICBitmapPaletteTypeMedianCut));
    const D2D1_BITMAP_PROPERTIES properties =
        D2D1::BitmapProperties(D2D1::PixelFormat(DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED));
    Common::ThrowIfFailed(
        renderTarget_.Get()->CreateBitmapFromWicBitmap(converter.Get(), &properties, frameBitmap_.Put()));
}

// Copies the newest output image into the frame bitmap: a short copy under
// the device's frameLock (the delivery thread writes the image under it),
// then the upload outside the lock.
void PreviewWindow::CopyLatestFrame()
{
    if (!frameBitmap_)
    {
        return;
    }
    Common::Device& device = model_.GetCurrentDevice();
    Tavix::Framework::IProcessor* processor = model_.GetCurrentProcessor();
    {
        // The processor works on its output image under the same lock
        // (frames are processed while the device holds it).
        Common::AutoLock lock(device.frameLock);
        const Common::FrameBuffer* output =
            processor != nullptr ? processor->GetOutputImage() : &device.frame;
        if (output == nullptr)
        {
            return;
        }
        const Common::FrameBuffer& image = *output;
        frameCopy_.width = image.width;
        frameCopy_.height = image.height;
        frameCopy_.stride = image.stride;
        frameCopy_.pixels.resize(image.pixels.size());
        std::memcpy(frameCopy_.pixels.data(), image.pixels.data(), image.pixels.size());
    }
    const D2D1_SIZE_U size = frameBitmap_->GetPixelSize();
    if (static_cast<std::int32_t>(size.width) != frameCopy_.width ||
        static_cast<std::int32_t>(size.height) != frameCopy_.height || frameCopy_.pixels.empty())
    {
        // A frame of another size is still on its way out; the next one fits.
        return;
    }
    Common::ThrowIfFailed(frameBitmap_->CopyFromMemory(nullptr, frameCopy_.pixels.data(),
                                                       static_cast<UINT32>(frameCopy_.stride)));
    ++framesShown_;
}

// ---- geometry ----

PreviewWindow::Placement PreviewWindow::GetPlacement(double imageWidth, double imageHeight) const
{
    Placement placement = {};
    placement.scale = model_.GetViewRatio() / 100.0;
    placement.width = imageWidth * placement.scale;
    placement.height = imageHeight * placement.scale;
    const D2D1_SIZE_F view = renderTarget_.GetSize();
    placement.x0 = (view.width - placement.width) * 0.5;
    if (placement.width > view.width)
    {
        placement.x0 -= GetScrollPos(SB_HORZ);
    }
    placement.y0 = (view.height - placement.height) * 0.5;
    if (placement.height > view.height)
    {
        placement.y0 -= GetScrollPos(SB_VERT);
    }
    return placement;
}

D2D1_POINT_2F PreviewWindow::ToImagePoint(POINT client) const
{
    const Common::FrameFormat& format = *model_.GetCurrentDevice().GetSelectedFormat();
    // The mouse handlers compute in single precision.
    const float s = static_cast<float>(model_.GetViewRatio()) / 100.0f;
    const float w = static_cast<float>(format.width) * s;
    const float h = static_cast<float>(format.height) * s;
    const D2D1_SIZE_F view = renderTarget_.GetSize();
    float x0 = (view.width - w) * 0.5f;
    if (w > view.width)
    {
        x0 -= static_cast<float>(GetScrollPos(SB_HORZ));
    }
    float y0 = (view.height - h) * 0.5f;
    if (h > view.height)
    {
        y0 -= static_cast<float>(GetScrollPos(SB_VERT));
    }
    const float px = (static_cast<float>(client.x) * 96.0f / renderTarget_.GetDpiX() - x0) / s;
    const float py = (static_cast<float>(client.y) * 96.0f / renderTarget_.GetDpiY() - y0) / s;
    return D2D1::Point2F(px, py);
}

void PreviewWindow::UpdateScrollBars()
{
    if (GetSafeHwnd() == nullptr || !renderTarget_)
    {
        return;
    }
    const Common::FrameFormat& format = *model_.GetCurrentDevice().GetSelectedFormat();
    const double scale = model_.GetViewRatio() / 100.0;
    const D2D1_SIZE_F view = renderTarget_.GetSize();
    const double extents[2] = {format.width * scale, format.height * scale};
    const double views[2] = {view.width, view.height};
    const int bars[2] = {SB_HORZ, SB_VERT};
    for (int axis = 0; axis < 2; ++axis)
    {
        SCROLLINFO info = {};
        info.cbSize = sizeof(info);
        info.fMask = SIF_ALL;
        if (views[axis] < extents[axis])
        {
            const double excess = extents[axis] - views[axis];
            info.nMin = static_cast<int>(-excess / 2.0);
            info.nPage = static_cast<UINT>(views[axis] / 2.0);
            info.nMax = info.nMin + static_cast<int>(std::ceil(excess)) + static_cast<int>(info.nPage) - 1;
            info.nPos = std::clamp(GetScrollPos(bars[axis]), info.nMin, info.nMax);
            info.nTrackPos = info.nPos;
        }
        SetScrollInfo(bars[axis], info, true);
    }
    Invalidate(false);
}

// ---- painting ----

bool PreviewWindow::OnPaint()
{
    // Whatever the paint does, the frame notification is given back after it.
    struct HandOff
    {
        Common::Mfc::FrameHandOff& handOff;
        ~HandOff() { handOff.PaintEnded(); }
    } handOff{frameHandOff_};
    return renderTarget_.Paint([this](ID2D1RenderTarget& target) { Paint(target); });
}

bool PreviewWindow::AcknowledgesLater(std::int32_t id) const
{
    return static_cast<PropertyId>(id) == PropertyId::Frame;
}

bool PreviewWindow::WillPaint() const
{
    const HWND handle = GetSafeHwnd();
    RECT client = {};
    return handle != nullptr && ::IsWindowVisible(handle) != FALSE &&
           IsIconic(GetAncestor(handle, GA_ROOT)) == FALSE && ::GetClientRect(handle, &client) != FALSE &&
           client.right > 0 && client.bottom > 0;
}

void PreviewWindow::Paint(ID2D1RenderTarget& target)
{
    target.Clear(Rgba(0.0f, 128.0f / 255.0f, 128.0f / 255.0f, 1.0f));
    if (frameHandOff_.TakeNewFrame())
    {
        CopyLatestFrame();
    }
    if (frameBitmap_)
    {
        const D2D1_SIZE_U pixels = frameBitmap_->GetPixelSize();
        const Placement placement = GetPlacement(pixels.width, pixels.height);
        target.SetTransform(D2D1::Matrix3x2F::Translation(static_cast<float>(placement.x0),
                                                          static_cast<float>(placement.y0)));
        target.DrawBitmap(frameBitmap_.Get(),
                          D2D1::RectF(0.0f, 0.0f, static_cast<float>(placement.width),
                                      static_cast<float>(placement.height)),
                          1.0f, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR);
        // The active processor draws its overlay in DIPs from the image's corner.
        if (Tavix::Framework::IProcessor* processor = model_.GetCurrentProcessor())
        {
            CheckProcessorResult(processor->Draw(&target, placement.scale));
        }
        if (model_.GetIsMarkerVisible())
        {
            if (model_.GetIsProfileVisible())
            {
                DrawProfiles(target, placement);
            }
            DrawMarker(target, placement);
        }
        target.SetTransform(D2D1::Matrix3x2F::Identity());
    }
    if (isDebugMessageEnabled_ && !debugText_.empty())
    {
        const D2D1_SIZE_F view = target.GetSize();
        target.DrawText(debugText_.c_str(), static_cast<UINT32>(debugText_.size()), textFormat_.Get(),
                        D2D1::RectF(0.0f, 0.0f, view.width, view.height), textBrush_.Get());
    }
}

void PreviewWindow::DrawProfiles(ID2D1RenderTarget& target, const Placement& placement)
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

void PreviewWindow::DrawMarker(ID2D1RenderTarget& target, const Placement& placement)
{
    target.SetTransform(
        D2D1::Matrix3x2F::Translation(static_cast<float>(placement.x0), static_cast<float>(placement.y0)));
    const POINT marker = model_.GetMarkerPosition();
    const float mx = static_cast<float>((marker.x + 0.5) * placement.scale);
    const float my = static_cast<float>((marker.y + 0.5) * placement.scale);
    const float w = static_cast<float>(placement.width);
    const float h = static_cast<float>(placement.height);
    target.DrawLine(D2D1::Point2F(mx, 0.0f), D2D1::Point2F(mx, h), markerBrush_.Get(), 1.0f);
    target.DrawLine(D2D1::Point2F(0.0f, my), D2D1::Point2F(w, my), markerBrush_.Get(), 1.0f);
    if (hover_)
    {
        idleHalo_->SetCenter(D2D1::Point2F(mx, my));
        draggingHalo_->SetCenter(D2D1::Point2F(mx, my));
        ID2D1RadialGradientBrush* halo = dragging_ ? draggingHalo_.Get() : idleHalo_.Get();
        target.FillEllipse(D2D1::Ellipse(D2D1::Point2F(mx, my), HaloRadius, HaloRadius), halo);
    }
}

// ---- notifications ----

void PreviewWindow::OnPropertyChanged(std::int32_t id)
{
    switch (static_cast<PropertyId>(id))
    {
    case PropertyId::FrameFormat:
        SetUpFrameBitmap();
        break;
    case PropertyId::Frame:
        frameHandOff_.WakeUp(WillPaint());
        break;
    case PropertyId::ErrorMessage:
        if (isDebugMessageEnabled_)
        {
            if (debugTimer_ != 0)
            {
                KillTimer(debugTimer_);
                debugTimer_ = 0;
            }
            debugText_ = model_.GetErrorText();
            SetTimer(DebugTimerId, DebugTextMilliseconds);
            debugTimer_ = DebugTimerId;
            Invalidate(false);
        }
        break;
    case PropertyId::ViewRatio:
        UpdateScrollBars();
        break;
    case PropertyId::IsMarkerVisible:
    case PropertyId::MarkerPosition:
    case PropertyId::IsProfileVisible:
    case PropertyId::Profile:
        Invalidate(false);
        break;
    case PropertyId::MarkerColor:
        UpdateMarkerBrush();
        Invalidate(false);
        break;
    default:
        break;
    }
}

bool PreviewWindow::OnTimer(UINT_PTR id)
{
    if (frameHandOff_.OnTimer(id))
    {
        return true;
    }
    if (id != DebugTimerId)
    {
        return false;
    }
    KillTimer(DebugTimerId);
    debugTimer_ = 0;
    debugText_.clear();
    Invalidate(false);
    return true;
}

bool PreviewWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == WM_DPICHANGED_AFTERPARENT)
    {
        renderTarget_.UpdateDpi();
        UpdateScrollBars();
        result = 0;
        return true;
    }
    if (message == WM_ERASEBKGND && renderTarget_)
    {
        // Direct2D paints every pixel; erasing first would only flicker.
        result = 1;
        return true;
    }
    return Window::OnMessage(message, wParam, lParam, result);
}

// ---- size and scrolling ----

bool PreviewWindow::OnSize(UINT, int width, int height)
{
    renderTarget_.Resize(width, height);
    UpdateScrollBars();
    return false;
}

bool PreviewWindow::OnScroll(int bar, int request, int position, HWND)
{
    const SCROLLINFO info = GetScrollInfo(bar);
    const int limit = GetScrollLimit(bar);
    const int page = static_cast<int>(info.nPage);
    int next = info.nPos;
    switch (request)
    {
    case SB_LINEUP:
        next = std::max(info.nPos - 1, info.nMin);
        break;
    case SB_LINEDOWN:
        next = std::min(info.nPos + 1, limit);
        break;
    case SB_PAGEUP:
        next = std::max(info.nPos - page, info.nMin);
        break;
    case SB_PAGEDOWN:
        next = std::min(info.nPos + page, limit);
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        // The 16-bit position of the message cannot carry wide ranges; the
        // bar's own tracking position can.
        next = request == SB_THUMBTRACK ? info.nTrackPos : position;
        break;
    case SB_TOP:
        next = info.nMin;
        break;
    case SB_BOTTOM:
        next = limit;
        break;
    default:
        break;
    }
    SetScrollPos(bar, next, true);
    Invalidate(false);
    return false;
}

// ---- mouse ----

bool PreviewWindow::OnLButtonDown(UINT flags, POINT point)
{
    if (hover_)
    {
        if (!dragging_)
        {
            SetCapture();
            dragging_ = true;
            Invalidate(false);
        }
        return true;
    }
    if (renderTarget_)
    {
        if (Tavix::Framework::IProcessor* processor = model_.GetCurrentProcessor())
        {
            const D2D1_POINT_2F imagePoint = ToImagePoint(point);
            bool capture = false;
            CheckProcessorResult(processor->OnLButtonDown(flags, &imagePoint, &capture));
            processorCapture_ = capture;
        }
    }
    if (processorCapture_)
    {
        SetCapture();
    }
    else if (!panning_)
    {
        SetCapture();
        lastPanX_ = point.x;
        lastPanY_ = point.y;
        panning_ = true;
    }
    return true;
}

bool PreviewWindow::OnMouseMove(UINT flags, POINT point)
{
    Tavix::Framework::IProcessor* processor = model_.GetCurrentProcessor();
    if (!tracking_)
    {
        TrackMouseLeave();
        tracking_ = true;
        if (processor != nullptr)
        {
            static_cast<void>(processor->OnMouseEnter());
        }
    }
    if (!renderTarget_)
    {
        return true;
    }
    if (panning_)
    {
        SetScrollPos(SB_HORZ, GetScrollPos(SB_HORZ) + lastPanX_ - point.x, true);
        SetScrollPos(SB_VERT, GetScrollPos(SB_VERT) + lastPanY_ - point.y, true);
        lastPanX_ = point.x;
        lastPanY_ = point.y;
        Invalidate(false);
        return true;
    }
    const D2D1_POINT_2F imagePoint = ToImagePoint(point);
    if (processor != nullptr)
    {
        CheckProcessorResult(processor->OnMouseMove(flags, &imagePoint));
    }
    const Common::FrameFormat& format = *model_.GetCurrentDevice().GetSelectedFormat();
    const auto ix = static_cast<std::int32_t>(imagePoint.x);
    const auto iy = static_cast<std::int32_t>(imagePoint.y);
    if (ix >= 0 && ix < format.width && iy >= 0 && iy < format.height)
    {
        model_.SetCursorInImage(true);
        model_.SetCursorPosition(ix, iy);
    }
    else if (model_.GetIsCursorInImage())
    {
        model_.SetCursorInImage(false);
    }

    if (dragging_)
    {
        model_.SetMarkerPosition(std::clamp(ix, 0, format.width - 1), std::clamp(iy, 0, format.height - 1));
    }
    else if (model_.GetIsMarkerVisible())
    {
        const Placement placement = GetPlacement(format.width, format.height);
        const POINT marker = model_.GetMarkerPosition();
        const double mx = (marker.x + 0.5) * placement.scale + placement.x0;
        const double my = (marker.y + 0.5) * placement.scale + placement.y0;
        const double dx = point.x * 96.0 / renderTarget_.GetDpiX() - mx;
        const double dy = point.y * 96.0 / renderTarget_.GetDpiY() - my;
        const bool hover = std::sqrt(dx * dx + dy * dy) < HoverDistance;
        if (hover != hover_)
        {
            hover_ = hover;
            Invalidate(false);
        }
    }
    return true;
}

bool PreviewWindow::OnLButtonUp(UINT flags, POINT point)
{
    if (dragging_)
    {
        ReleaseCapture();
        dragging_ = false;
        Invalidate(false);
        return true;
    }
    if (renderTarget_)
    {
        if (Tavix::Framework::IProcessor* processor = model_.GetCurrentProcessor())
        {
            const D2D1_POINT_2F imagePoint = ToImagePoint(point);
            CheckProcessorResult(processor->OnLButtonUp(flags, &imagePoint));
        }
    }
    if (processorCapture_)
    {
        ReleaseCapture();
        processorCapture_ = false;
    }
    else if (panning_)
    {
        ReleaseCapture();
        panning_ = false;
    }
    return true;
}

bool PreviewWindow::OnLButtonDblClk(UINT, POINT)
{
    if (hover_)
    {
        hover_ = false;
        const Common::FrameFormat& format = *model_.GetCurrentDevice().GetSelectedFormat();
        model_.SetMarkerPosition(format.width / 2, format.height / 2);
        Invalidate(false);
    }
    return true;
}

bool PreviewWindow::OnMouseWheel(UINT, int delta, POINT)
{
    const double ratio = std::pow(1.1, delta / 120.0) * model_.GetViewRatio();
    const auto next = std::clamp(static_cast<std::int32_t>(std::round(ratio)), 10, 1000);
    model_.SetViewRatio(next);
    return true;
}

bool PreviewWindow::OnMouseLeave()
{
    hover_ = false;
    dragging_ = false;
    tracking_ = false;
    if (model_.GetIsCursorInImage())
    {
        model_.SetCursorInImage(false);
    }
    if (Tavix::Framework::IProcessor* processor = model_.GetCurrentProcessor())
    {
        static_cast<void>(processor->OnMouseLeave());
    }
    Invalidate(false);
    return true;
}

void PreviewWindow::CheckProcessorResult(HRESULT result) const
{
    if (FAILED(result))
    {
        throw Common::Exception(result, L"PreviewWindow", __LINE__);
    }
}

} // namespace TavixCapture
