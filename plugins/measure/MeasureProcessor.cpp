#include "MeasureProcessor.h"

#include "MeasurePage.h"

#include "Common/Exception.h"
#include "Common/PerformanceCounter.h"
#include "Common/ui/Polyline.h"
#include "framework/CallGuarded.h"

#include <algorithm>
#include <cmath>

using Tavix::Framework::CallGuarded;

namespace TavixMeasure
{

namespace
{

// Overlay colours (straight alpha).
constexpr D2D1_COLOR_F LineColour{1.0f, 0.9f, 0.1f, 1.0f};
constexpr D2D1_COLOR_F RegionColour{0.1f, 0.9f, 1.0f, 1.0f};
constexpr D2D1_COLOR_F SpotColour{1.0f, 0.3f, 1.0f, 1.0f};
constexpr D2D1_COLOR_F PlotBackground{0.0f, 0.0f, 0.0f, 0.45f};
constexpr D2D1_COLOR_F ChannelColours[ChannelCount] = {{1.0f, 0.25f, 0.25f, 1.0f},
                                                       {0.25f, 1.0f, 0.25f, 1.0f},
                                                       {0.35f, 0.55f, 1.0f, 1.0f},
                                                       {1.0f, 1.0f, 1.0f, 1.0f}};
// Premultiplied BGRA words of the saturation overlay: red at 63 %, blue at 63 %.
constexpr std::uint32_t SaturatedOverlay = 0xA0A00000u;
constexpr std::uint32_t BlackOverlay = 0xA00000A0u;

Common::ComPointer<ID2D1SolidColorBrush> MakeBrush(ID2D1RenderTarget& target, const D2D1_COLOR_F& colour)
{
    Common::ComPointer<ID2D1SolidColorBrush> brush;
    Common::ThrowIfFailed(target.CreateSolidColorBrush(colour, brush.Put()));
    return brush;
}

} // namespace

MeasureProcessor::MeasureProcessor(HINSTANCE resources) : resources_(resources) {}

MeasureProcessor::~MeasureProcessor()
{
    DestroyPage();
}

HRESULT MeasureProcessor::QueryInterface(REFIID iid, void** object)
{
    if (object != nullptr && iid == Tavix::Framework::IID_IRegionOfInterest)
    {
        *object = static_cast<Tavix::Framework::IRegionOfInterest*>(this);
        AddRef();
        return S_OK;
    }
    return ProcessorBase::QueryInterface(iid, object);
}

HRESULT MeasureProcessor::GetRegionOfInterest(Tavix::Framework::RegionOfInterest* region)
{
    if (region == nullptr)
    {
        return E_POINTER;
    }
    if (region->size < sizeof(Tavix::Framework::RegionOfInterest))
    {
        return E_INVALIDARG;
    }
    const MeasureSettings& settings = options_.measure;
    if (!settings.hasRegion || settings.region.IsEmpty())
    {
        return S_FALSE;
    }
    region->x = settings.region.x;
    region->y = settings.region.y;
    region->width = settings.region.width;
    region->height = settings.region.height;
    return S_OK;
}

double MeasureProcessor::Now()
{
    return static_cast<double>(Common::PerformanceCounter()) /
           static_cast<double>(Common::PerformanceFrequency());
}

HRESULT MeasureProcessor::Initialize(Tavix::Framework::IHostServices* host)
{
    return CallGuarded(
        [&]
        {
            const HRESULT result = ProcessorBase::Initialize(host);
            if (FAILED(result))
            {
                return result;
            }
            options_.Load(*host);
            PublishSettings();
            return S_OK;
        });
}

HRESULT MeasureProcessor::Terminate()
{
    return CallGuarded(
        [&]
        {
            DestroyPage();
            KeepOptions(); // a number typed into the page that was never left
            maskBitmap_.Reset();
            maskTarget_.Reset();
            return ProcessorBase::Terminate();
        });
}

void MeasureProcessor::DestroyPage() noexcept
{
    if (page_)
    {
        page_->DestroyWindow();
        page_.reset();
    }
}

HRESULT MeasureProcessor::CreatePage(Common::Mfc::Window* parent, Common::Mfc::Window** page)
{
    return CallGuarded(
        [&]
        {
            if (page == nullptr)
            {
                return E_POINTER;
            }
            *page = nullptr;
            if (parent == nullptr || parent->GetSafeHwnd() == nullptr)
            {
                return E_INVALIDARG;
            }
            DestroyPage();
            auto created = std::make_unique<MeasurePage>(*this, resources_);
            created->Create(parent->GetSafeHwnd());
            page_ = std::move(created);
            *page = page_.get();
            return S_OK;
        });
}

void MeasureProcessor::SetOptions(const MeasureOptions& options, Keep keep)
{
    const bool chartChanged = options.chartQuantity != options_.chartQuantity;
    options_ = options;
    unsaved_ = true;
    PublishSettings();
    if (chartChanged)
    {
        ClearChart();
    }
    if (keep == Keep::Now)
    {
        KeepOptions();
    }
    if (Tavix::Framework::IHostServices* host = GetHost())
    {
        static_cast<void>(host->Redraw());
    }
}

void MeasureProcessor::KeepOptions()
{
    Tavix::Framework::IHostServices* host = GetHost();
    if (!unsaved_ || host == nullptr)
    {
        return;
    }
    unsaved_ = false;
    // A setting that cannot be written is not worth an error box while
    // measuring; it is simply not kept.
    static_cast<void>(options_.Save(*host));
}

void MeasureProcessor::PublishSettings()
{
    std::lock_guard<std::mutex> lock(settingsLock_);
    sharedSettings_ = options_.measure;
    sharedChartQuantity_ = options_.chartQuantity;
}

const Measurement& MeasureProcessor::Latest()
{
    return pipeline_.Latest();
}

void MeasureProcessor::CopyChart(double seconds, std::vector<StripChart::Point>& points)
{
    pipeline_.CopyChart(seconds, points);
}

void MeasureProcessor::ClearChart()
{
    pipeline_.ClearChart();
}

HRESULT MeasureProcessor::Process()
{
    return CallGuarded(
        [&]
        {
            Tavix::Framework::IHostServices* host = GetHost();
            const Common::FrameBuffer* frame = host != nullptr ? host->GetFrame() : nullptr;
            if (frame == nullptr || frame->width <= 0 || frame->height <= 0 ||
                frame->stride < frame->width * 4 ||
                frame->pixels.size() <
                    static_cast<std::size_t>(frame->stride) * static_cast<std::size_t>(frame->height))
            {
                return S_OK;
            }
            MeasureSettings settings;
            ChartQuantity quantity;
            {
                std::lock_guard<std::mutex> lock(settingsLock_);
                settings = sharedSettings_;
                quantity = sharedChartQuantity_;
            }
            const ImageView image{frame->pixels.data(), frame->width, frame->height, frame->stride};
            pipeline_.Measure(image, settings, quantity, Now());
            return S_OK;
        });
}

HRESULT MeasureProcessor::OnFrameFormatChanged()
{
    return CallGuarded(
        [&]
        {
            // Times and values of another format do not belong on one chart.
            ClearChart();
            return S_OK;
        });
}

HRESULT MeasureProcessor::OnLButtonDown(UINT, const D2D1_POINT_2F* point, bool* capture)
{
    return CallGuarded(
        [&]
        {
            if (point == nullptr || capture == nullptr)
            {
                return E_POINTER;
            }
            *capture = false;
            if (options_.mouseMode == MouseMode::None)
            {
                return S_OK;
            }
            dragging_ = true;
            dragMode_ = options_.mouseMode;
            dragStart_ = *point;
            dragEnd_ = *point;
            *capture = true;
            return S_OK;
        });
}

HRESULT MeasureProcessor::OnMouseMove(UINT, const D2D1_POINT_2F* point)
{
    return TrackDrag(point, false);
}

HRESULT MeasureProcessor::OnLButtonUp(UINT, const D2D1_POINT_2F* point)
{
    return TrackDrag(point, true);
}

HRESULT MeasureProcessor::TrackDrag(const D2D1_POINT_2F* point, bool released)
{
    return CallGuarded(
        [&]
        {
            if (point == nullptr)
            {
                return E_POINTER;
            }
            if (!dragging_)
            {
                return S_OK;
            }
            dragEnd_ = *point;
            if (released)
            {
                dragging_ = false;
                EndDrag();
            }
            else if (Tavix::Framework::IHostServices* host = GetHost())
            {
                static_cast<void>(host->Redraw());
            }
            return S_OK;
        });
}

void MeasureProcessor::EndDrag()
{
    MeasureOptions options = options_;
    const LineSegment line{dragStart_.x, dragStart_.y, dragEnd_.x, dragEnd_.y};
    switch (dragMode_)
    {
    case MouseMode::Line:
        // A click without a drag removes the line.
        options.measure.hasLine = line.Length() >= 1.0;
        options.measure.line = line;
        break;
    case MouseMode::Region:
    {
        // The pixels the rectangle touches, from corner to corner.
        const double left = std::floor(std::min(line.x0, line.x1));
        const double top = std::floor(std::min(line.y0, line.y1));
        const double right = std::ceil(std::max(line.x0, line.x1));
        const double bottom = std::ceil(std::max(line.y0, line.y1));
        const double limit = 1 << 24;
        options.measure.region = {static_cast<int>(std::clamp(left, -limit, limit)),
                                  static_cast<int>(std::clamp(top, -limit, limit)),
                                  static_cast<int>(std::clamp(right - left, 0.0, limit)),
                                  static_cast<int>(std::clamp(bottom - top, 0.0, limit))};
        options.measure.hasRegion = options.measure.region.width >= 1 && options.measure.region.height >= 1 &&
                                    (right - left >= 2.0 || bottom - top >= 2.0);
        break;
    }
    case MouseMode::Calibration:
        static_cast<void>(options.calibration.SetFromKnownLength(line.Length(), options.knownLength));
        break;
    case MouseMode::None:
        break;
    }
    SetOptions(options);
    if (page_)
    {
        page_->ShowOptions();
    }
}

HRESULT MeasureProcessor::Draw(ID2D1RenderTarget* target, double scale)
{
    return CallGuarded(
        [&]
        {
            if (target == nullptr)
            {
                return E_POINTER;
            }
            if (!(scale > 0.0) || !std::isfinite(scale))
            {
                return S_OK;
            }
            DrawOverlay(*target, static_cast<float>(scale), Latest());
            return S_OK;
        });
}

void MeasureProcessor::DrawMask(ID2D1RenderTarget& target, float scale, const Measurement& measurement)
{
    const SaturationMask& mask = measurement.mask;
    const int width = mask.Width();
    const int height = mask.Height();
    if (maskTarget_.Get() != &target)
    {
        maskBitmap_.Reset();
        maskTarget_ = Common::ComPointer<ID2D1RenderTarget>(&target);
        maskSequence_ = 0;
    }
    if (maskBitmap_)
    {
        const D2D1_SIZE_U size = maskBitmap_->GetPixelSize();
        if (size.width != static_cast<UINT32>(width) || size.height != static_cast<UINT32>(height))
        {
            maskBitmap_.Reset();
        }
    }
    if (!maskBitmap_)
    {
        const D2D1_BITMAP_PROPERTIES properties = D2D1::BitmapProperties(
            D2D1::PixelFormat(DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED));
        Common::ThrowIfFailed(
            target.CreateBitmap(D2D1::SizeU(static_cast<UINT32>(width), static_cast<UINT32>(height)),
                                properties, maskBitmap_.Put()));
        maskSequence_ = 0;
    }
    if (maskSequence_ != measurement.sequence)
    {
        const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
        maskPixels_.resize(count);
        const std::uint8_t* marks = mask.Marks();
        for (std::size_t i = 0; i < count; ++i)
        {
            maskPixels_[i] = marks[i] == SaturationMask::Saturated ? SaturatedOverlay
                             : marks[i] == SaturationMask::Black   ? BlackOverlay
                                                                   : 0u;
        }
        Common::ThrowIfFailed(
            maskBitmap_->CopyFromMemory(nullptr, maskPixels_.data(), static_cast<UINT32>(width) * 4));
        maskSequence_ = measurement.sequence;
    }
    target.DrawBitmap(maskBitmap_.Get(), D2D1::RectF(0.0f, 0.0f, width * scale, height * scale), 1.0f,
                      D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR);
}

void MeasureProcessor::DrawOverlay(ID2D1RenderTarget& target, float scale, const Measurement& measurement)
{
    if (measurement.hasMask && measurement.mask.Width() > 0)
    {
        DrawMask(target, scale, measurement);
    }
    const float stroke = 1.5f;
    auto lineBrush = MakeBrush(target, LineColour);
    auto regionBrush = MakeBrush(target, RegionColour);
    auto spotBrush = MakeBrush(target, SpotColour);

    // The line and the region: while dragging, the one being drawn.
    const bool dragLine = dragging_ && (dragMode_ == MouseMode::Line || dragMode_ == MouseMode::Calibration);
    const bool dragRegion = dragging_ && dragMode_ == MouseMode::Region;
    const MeasureSettings& settings = options_.measure;
    if (dragLine || settings.hasLine)
    {
        const D2D1_POINT_2F a = dragLine ? dragStart_
                                         : D2D1::Point2F(static_cast<float>(settings.line.x0),
                                                         static_cast<float>(settings.line.y0));
        const D2D1_POINT_2F b = dragLine ? dragEnd_
                                         : D2D1::Point2F(static_cast<float>(settings.line.x1),
                                                         static_cast<float>(settings.line.y1));
        target.DrawLine(D2D1::Point2F(a.x * scale, a.y * scale), D2D1::Point2F(b.x * scale, b.y * scale),
                        lineBrush.Get(), stroke);
        target.DrawEllipse(D2D1::Ellipse(D2D1::Point2F(a.x * scale, a.y * scale), 3.0f, 3.0f),
                           lineBrush.Get(), stroke);
    }
    if (dragRegion)
    {
        target.DrawRectangle(D2D1::RectF(std::min(dragStart_.x, dragEnd_.x) * scale,
                                         std::min(dragStart_.y, dragEnd_.y) * scale,
                                         std::max(dragStart_.x, dragEnd_.x) * scale,
                                         std::max(dragStart_.y, dragEnd_.y) * scale),
                             regionBrush.Get(), stroke);
    }
    else if (settings.hasRegion)
    {
        const Rect& r = settings.region;
        target.DrawRectangle(
            D2D1::RectF(r.x * scale, r.y * scale, (r.x + r.width) * scale, (r.y + r.height) * scale),
            regionBrush.Get(), stroke);
    }

    // The spot: a cross at the centroid and the ellipse of the 4-sigma widths
    // (only the cross while the widths have not settled).
    if (!dragRegion && measurement.hasRegion && std::isfinite(measurement.region.Spot().centroidX))
    {
        const SpotStatistics& spot = measurement.region.Spot();
        const float cx = static_cast<float>(spot.centroidX) * scale;
        const float cy = static_cast<float>(spot.centroidY) * scale;
        const bool hasWidths = std::isfinite(spot.width4SigmaX) && std::isfinite(spot.width4SigmaY);
        const float rx = hasWidths ? static_cast<float>(spot.width4SigmaX / 2.0) * scale : 0.0f;
        const float ry = hasWidths ? static_cast<float>(spot.width4SigmaY / 2.0) * scale : 0.0f;
        const float arm = std::max(6.0f, std::max(rx, ry) * 0.25f);
        target.DrawLine(D2D1::Point2F(cx - arm, cy), D2D1::Point2F(cx + arm, cy), spotBrush.Get(), stroke);
        target.DrawLine(D2D1::Point2F(cx, cy - arm), D2D1::Point2F(cx, cy + arm), spotBrush.Get(), stroke);
        if (hasWidths)
        {
            target.DrawEllipse(D2D1::Ellipse(D2D1::Point2F(cx, cy), rx, ry), spotBrush.Get(), stroke);
        }
    }

    // The profile: a plot along the bottom quarter of the image, the chosen
    // channel drawn over the others.
    if (options_.showProfile && measurement.hasLine && measurement.frameWidth > 0 &&
        measurement.profile.Count() > 1)
    {
        const float width = measurement.frameWidth * scale;
        const float height = measurement.frameHeight * scale;
        const float top = height * 0.75f;
        const float plotHeight = height - top;
        auto background = MakeBrush(target, PlotBackground);
        target.FillRectangle(D2D1::RectF(0.0f, top, width, height), background.Get());
        const LineProfile& profile = measurement.profile;
        const int count = profile.Count();
        const int chosen = static_cast<int>(measurement.settings.channel);
        for (int pass = 0; pass < ChannelCount; ++pass)
        {
            // The chosen channel last, so that it lies on top.
            const int c = pass < chosen ? pass : pass == ChannelCount - 1 ? chosen : pass + 1;
            auto brush = MakeBrush(target, ChannelColours[c]);
            const float* values = profile.Values(static_cast<Channel>(c));
            profilePoints_.clear();
            for (int i = 0; i < count; ++i)
            {
                profilePoints_.push_back(
                    D2D1::Point2F(width * static_cast<float>(i) / static_cast<float>(count - 1),
                                  height - values[i] / 255.0f * plotHeight));
            }
            Common::Mfc::DrawPolyline(target, profilePoints_, brush.Get(), c == chosen ? 1.5f : 1.0f);
        }
    }
}

} // namespace TavixMeasure
