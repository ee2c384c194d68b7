#include "ui/PreviewWindow.h"

#include "Common/Exception.h"
#include "app/MainModel.h"
#include "app/ProcessorEntry.h"

#include <algorithm>

namespace TavixCapture
{

namespace
{
constexpr UINT DebugTextMilliseconds = 1000;

std::wstring CurrentProcessorName(const MainModel& model)
{
    const auto& entries = model.GetProcessorEntries();
    const auto index = static_cast<std::size_t>(model.GetCurrentProcessorIndex());
    return index < entries.size() ? entries[index]->GetName() : std::wstring();
}
} // namespace

PreviewWindow::PreviewWindow(MainModel& model, bool isDebugMessageEnabled)
    : model_(model), isDebugMessageEnabled_(isDebugMessageEnabled),
      processor_([&model] { return model.GetCurrentProcessor(); },
                 [&model] { return CurrentProcessorName(model); }),
      painter_(model, processor_), pointer_(*this, model, processor_,
                                            PreviewPointer::View{[this] { return Geometry(); },
                                                                 [this](int dx, int dy) { ScrollBy(dx, dy); },
                                                                 [this] { Invalidate(false); }})
{
}

PreviewWindow::~PreviewWindow()
{
    DestroyWindow();
}

void PreviewWindow::Create(HWND parent, const RECT& rect)
{
    CreateEx(0, L"TavixPreview", L"", WS_CHILD | WS_VISIBLE | WS_BORDER, rect, parent, 0);
    processor_.SetOwner(GetSafeHwnd());
    renderTarget_.Create(
        GetSafeHwnd(), [](ID2D1RenderTarget&) {}, [this]() { painter_.Discard(); });
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

// ---- geometry ----

std::optional<PreviewGeometry> PreviewWindow::Geometry() const
{
    if (!renderTarget_)
    {
        return std::nullopt;
    }
    const Common::FrameFormat& format = *model_.GetCurrentDevice().GetSelectedFormat();
    const D2D1_SIZE_F view = renderTarget_.GetSize();
    return PreviewGeometry(
        format.width, format.height, model_.GetViewRatio(), {view.width, view.height},
        {static_cast<double>(GetScrollPos(SB_HORZ)), static_cast<double>(GetScrollPos(SB_VERT))},
        renderTarget_.GetDpiX(), renderTarget_.GetDpiY());
}

void PreviewWindow::UpdateScrollBars(std::optional<PreviewGeometry::Point> positions)
{
    if (GetSafeHwnd() == nullptr || !renderTarget_ || updatingScrollBars_)
    {
        return;
    }
    // The area the bars share, in DIPs: the client area with the bars shown now given back.
    const double dipsX = 96.0 / renderTarget_.GetDpiX();
    const double dipsY = 96.0 / renderTarget_.GetDpiY();
    const UINT dpi = GetDpiForWindow(GetSafeHwnd());
    const int barWidth = GetSystemMetricsForDpi(SM_CXVSCROLL, dpi != 0 ? dpi : 96);
    const int barHeight = GetSystemMetricsForDpi(SM_CYHSCROLL, dpi != 0 ? dpi : 96);
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(GetSafeHwnd(), GWL_STYLE));
    const RECT client = GetClientRect();
    const double areaWidth = (client.right + ((style & WS_VSCROLL) != 0 ? barWidth : 0)) * dipsX;
    const double areaHeight = (client.bottom + ((style & WS_HSCROLL) != 0 ? barHeight : 0)) * dipsY;

    const Common::FrameFormat& format = *model_.GetCurrentDevice().GetSelectedFormat();
    const PreviewGeometry geometry(format.width, format.height, model_.GetViewRatio(),
                                   {areaWidth, areaHeight});
    const PreviewGeometry::ScrollLayout layout =
        geometry.Layout({areaWidth, areaHeight}, barWidth * dipsX, barHeight * dipsY);
    const PreviewGeometry::ScrollRange ranges[2] = {layout.horizontal, layout.vertical};
    const int bars[2] = {SB_HORZ, SB_VERT};
    const double wanted[2] = {positions ? positions->x : GetScrollPos(SB_HORZ),
                              positions ? positions->y : GetScrollPos(SB_VERT)};
    updatingScrollBars_ = true;
    try
    {
        for (int axis = 0; axis < 2; ++axis)
        {
            const PreviewGeometry::ScrollRange& range = ranges[axis];
            SCROLLINFO info = {};
            info.cbSize = sizeof(info);
            info.fMask = SIF_ALL;
            if (range.Shown())
            {
                info.nMin = range.minimum;
                info.nMax = range.maximum;
                info.nPage = static_cast<UINT>(range.page);
                info.nPos = std::clamp(static_cast<int>(wanted[axis] + (wanted[axis] < 0 ? -0.5 : 0.5)),
                                       range.minimum, range.limit);
                info.nTrackPos = info.nPos;
            }
            SetScrollInfo(bars[axis], info, true);
        }
    }
    catch (...)
    {
        updatingScrollBars_ = false;
        throw;
    }
    updatingScrollBars_ = false;
    // The bars' WM_SIZE has resized the target.
    Invalidate(false);
}

void PreviewWindow::ScrollBy(int dx, int dy)
{
    SetScrollPos(SB_HORZ, GetScrollPos(SB_HORZ) + dx, true);
    SetScrollPos(SB_VERT, GetScrollPos(SB_VERT) + dy, true);
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
    const bool newFrame = frameHandOff_.TakeNewFrame();
    // The notice of a camera that is gone goes before any debug text.
    const std::wstring* text = !notice_.empty() ? &notice_ : isDebugMessageEnabled_ ? &debugText_ : nullptr;
    const PreviewPainter::Overlay overlay = {pointer_.IsHover(), pointer_.IsDragging(), text};
    // A lost target is made again by the paint, before the geometry is taken.
    return renderTarget_.Paint([&](ID2D1RenderTarget& target)
                               { painter_.Paint(target, *Geometry(), newFrame, overlay); });
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

// ---- notifications ----

void PreviewWindow::OnPropertyChanged(std::int32_t id)
{
    switch (static_cast<PropertyId>(id))
    {
    case PropertyId::FrameFormat:
        // The bitmap follows the new size at the next paint.
        UpdateScrollBars();
        break;
    case PropertyId::Frame:
        frameHandOff_.WakeUp(WillPaint());
        break;
    case PropertyId::IsCapturing:
        if (std::wstring notice = model_.GetCaptureNotice(); notice != notice_)
        {
            notice_ = std::move(notice);
            Invalidate(false);
        }
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
    case PropertyId::Processor:
        processor_.OnProcessorChanged();
        Invalidate(false);
        break;
    case PropertyId::ViewRatio:
        UpdateScrollBars();
        break;
    case PropertyId::IsMarkerVisible:
    case PropertyId::MarkerPosition:
    case PropertyId::IsProfileVisible:
    case PropertyId::Profile:
    case PropertyId::MarkerColor:
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
    result = 0;
    switch (message)
    {
    case WM_DPICHANGED_AFTERPARENT:
        renderTarget_.UpdateDpi();
        UpdateScrollBars();
        return true;
    case WM_DISPLAYCHANGE:
        // The display (and the device behind it) may be another one now:
        // everything made for the old one is made again at the next paint.
        renderTarget_.Release();
        Invalidate(false);
        return true;
    case WM_CAPTURECHANGED:
        pointer_.CaptureChanged(reinterpret_cast<HWND>(lParam));
        return true;
    case WM_ERASEBKGND:
        if (renderTarget_)
        {
            // Direct2D paints every pixel; erasing first would only flicker.
            result = 1;
            return true;
        }
        break;
    default:
        break;
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
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        // The message carries 16 bits; the bar's 32-bit tracking position
        // (or, once released, where the thumb was tracked to) the rest.
        next = PreviewGeometry::ThumbPosition(position, info.nTrackPos, info.nPos,
                                              {info.nMin, info.nMax, page, limit});
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
    pointer_.ButtonDown(flags, point);
    return true;
}

bool PreviewWindow::OnMouseMove(UINT flags, POINT point)
{
    pointer_.Move(flags, point);
    return true;
}

bool PreviewWindow::OnLButtonUp(UINT flags, POINT point)
{
    pointer_.ButtonUp(flags, point);
    return true;
}

bool PreviewWindow::OnLButtonDblClk(UINT, POINT)
{
    pointer_.DoubleClick();
    return true;
}

bool PreviewWindow::OnMouseLeave()
{
    pointer_.Leave();
    return true;
}

bool PreviewWindow::OnMouseWheel(UINT, int delta, POINT screenPoint)
{
    const std::int32_t ratio = model_.GetViewRatio();
    const std::int32_t next = PreviewGeometry::WheelRatio(ratio, delta);
    if (next == ratio)
    {
        return true;
    }
    std::optional<PreviewGeometry::Point> anchored;
    POINT client = screenPoint;
    if (const std::optional<PreviewGeometry> geometry = Geometry();
        geometry && ScreenToClient(GetSafeHwnd(), &client) != FALSE)
    {
        // The image point under the pointer stays there. The view the new
        // ratio leaves is known once the bars are set; this one is close
        // enough for the anchor, and the bars clamp it.
        const D2D1_SIZE_F view = renderTarget_.GetSize();
        anchored = geometry->AnchoredScroll(client.x, client.y, next, {view.width, view.height});
    }
    model_.SetViewRatio(next);
    UpdateScrollBars(anchored);
    return true;
}

} // namespace TavixCapture
