#include "ui/ControlPanel.h"

#include "Common/ui/ErrorReporter.h"
#include "app/ErrorBox.h"
#include "app/MainModel.h"
#include "app/SaveFormats.h"
#include "resources/resource.h"
#include "ui/SaveCommands.h"

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <exception>
#include <string>

namespace TavixCapture
{

namespace
{
constexpr int ZoomMin = 10;
constexpr int ZoomMax = 1000;
constexpr int ZoomSliderMin = -100;
constexpr int ZoomSliderMax = 100;
constexpr int BitRateMin = 100;
constexpr int BitRateMax = 20000;

// Rounds to the nearest integer, halves away from zero.
int RoundHalfAway(double value)
{
    return static_cast<int>(std::round(value));
}

// The leading decimal integer of a text; 0 when it has none.
long ParseDecimal(const std::wstring& text)
{
    wchar_t* end = nullptr;
    const long value = std::wcstol(text.c_str(), &end, 10);
    return end == text.c_str() ? 0 : value;
}

// The position a scroll request leads to from `position` in [minimum, maximum].
int RequestedPosition(int request, int carried, int position, int minimum, int maximum)
{
    switch (request)
    {
    case SB_LINELEFT:
        return std::max(position - 1, minimum);
    case SB_LINERIGHT:
        return std::min(position + 1, maximum);
    case SB_PAGELEFT:
        return std::max(position - 10, minimum);
    case SB_PAGERIGHT:
        return std::min(position + 10, maximum);
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        return carried;
    case SB_LEFT:
        return minimum;
    case SB_RIGHT:
        return maximum;
    default:
        return position;
    }
}
} // namespace

ControlPanel::ControlPanel(MainModel& model) : Dialog(IDD_CONTROLPANEL), model_(model) {}

ControlPanel::~ControlPanel()
{
    // While this class still exists, so that OnDestroy unregisters.
    DestroyWindow();
}

std::int32_t ControlPanel::RatioFromSliderPosition(int position)
{
    const int ratio = RoundHalfAway(std::pow(10.0, static_cast<double>(position) / 100.0) * 100.0);
    return std::clamp(ratio, ZoomMin, ZoomMax);
}

int ControlPanel::SliderPositionFromRatio(std::int32_t ratio)
{
    return RoundHalfAway(std::log10(static_cast<double>(ratio) / 100.0) * 100.0);
}

std::int32_t ControlPanel::FitRatio(double viewWidth, double viewHeight, std::int32_t frameWidth,
                                    std::int32_t frameHeight)
{
    if (frameWidth <= 0 || frameHeight <= 0)
    {
        return ZoomMin;
    }
    const double ratio = std::min(viewWidth / frameWidth, viewHeight / frameHeight) * 100.0;
    // Truncated toward zero; clamped before the conversion so that no value
    // is out of the integer's range.
    return static_cast<std::int32_t>(std::clamp(std::trunc(ratio), double{ZoomMin}, double{ZoomMax}));
}

BOOL ControlPanel::OnInitDialog()
{
    device_.AttachItem(*this, IDC_DEVICE);
    format_.AttachItem(*this, IDC_FORMAT);
    zoomEdit_.AttachItem(*this, IDC_ZOOM_EDIT);
    markerXEdit_.AttachItem(*this, IDC_MARKER_X);
    markerYEdit_.AttachItem(*this, IDC_MARKER_Y);
    bitRateEdit_.AttachItem(*this, IDC_BITRATE);
    marker_.AttachItem(*this, IDC_MARKER);
    markerXSpin_.AttachItem(*this, IDC_MARKER_X_SPIN);
    markerYSpin_.AttachItem(*this, IDC_MARKER_Y_SPIN);
    markerColor_.AttachItem(*this, IDC_MARKER_COLOR);
    profile_.AttachItem(*this, IDC_PROFILE);
    saveTarget_.AttachItem(*this, IDC_SAVE_TARGET);
    fileFormat_.AttachItem(*this, IDC_FILE_FORMAT);
    snap_.AttachItem(*this, IDC_SNAP);
    record_.AttachItem(*this, IDC_RECORD);
    statusBar_.AttachItem(*this, IDC_STATUSBAR_VISIBLE);

    for (const auto& device : model_.GetCapture().devices)
    {
        device_.AddString(device->name);
    }
    zoomSpin_.AttachItem(*this, IDC_ZOOM_SPIN);
    zoomSpin_.SetRange32(ZoomMin, ZoomMax);
    zoomSlider_.SubclassItem(*this, IDC_ZOOM_SLIDER);
    zoomSlider_.SetRange(ZoomSliderMin, ZoomSliderMax, true);
    zoomSlider_.SetTicFreq(20);
    zoomSlider_.SetTic(0);
    bitRateSpin_.AttachItem(*this, IDC_BITRATE_SPIN);
    bitRateSpin_.SetRange32(BitRateMin, BitRateMax);
    bitRateSlider_.SubclassItem(*this, IDC_BITRATE_SLIDER);
    bitRateSlider_.SetRange(BitRateMin, BitRateMax, true);
    bitRateSlider_.SetTicFreq(2000);
    bitRateSlider_.SetTic(BitRateMin);
    // The sliders' own keyboard and channel steps match the panel's, so the
    // thumb does not jump when the panel sets the position it computed.
    for (const auto* slider : {&zoomSlider_, &bitRateSlider_})
    {
        slider->SendMessage(TBM_SETLINESIZE, 0, 1);
        slider->SendMessage(TBM_SETPAGESIZE, 0, 10);
    }

    model_.AddListener(this);
    registered_ = true;
    return TRUE;
}

bool ControlPanel::OnDestroy()
{
    if (registered_)
    {
        model_.RemoveListener(this);
        registered_ = false;
    }
    return false;
}

// ---- user actions ----

bool ControlPanel::OnCommand(int id, int code, HWND control)
{
    switch (id)
    {
    case IDC_DEVICE:
        if (code == CBN_SELCHANGE)
        {
            OnDeviceSelected();
        }
        return true;
    case IDC_FORMAT:
        if (code == CBN_SELCHANGE)
        {
            OnFormatSelected();
        }
        return true;
    case IDC_ZOOM_EDIT:
    case IDC_MARKER_X:
    case IDC_MARKER_Y:
    case IDC_BITRATE:
        if (code == EN_CHANGE)
        {
            OnNumberTyped(id);
        }
        else if (code == EN_KILLFOCUS)
        {
            // Left with a text that is no value ("5" on the way to "50"):
            // the field shows what the model holds.
            ShowModelNumber(id);
        }
        return true;
    case IDC_SAVE_TARGET:
        if (code == CBN_SELCHANGE && saveTarget_.GetCurSel() >= 0)
        {
            model_.SetSaveTarget(saveTarget_.GetCurSel());
        }
        return true;
    case IDC_FILE_FORMAT:
        if (code == CBN_SELCHANGE && fileFormat_.GetCurSel() >= 0)
        {
            model_.SetFileFormat(fileFormat_.GetCurSel());
        }
        return true;
    default:
        break;
    }
    if (code != BN_CLICKED)
    {
        return Dialog::OnCommand(id, code, control);
    }
    switch (id)
    {
    case IDC_ZOOM_ACTUAL:
        model_.SetViewRatio(100);
        return true;
    case IDC_ZOOM_FIT:
        Fit();
        return true;
    case IDC_MARKER:
        model_.SetIsMarkerVisible(!model_.GetIsMarkerVisible());
        return true;
    case IDC_MARKER_COLOR:
        if (markerColor_.Pick())
        {
            model_.SetMarkerColor(markerColor_.GetColor());
        }
        return true;
    case IDC_PROFILE:
        model_.SetIsProfileVisible(!model_.GetIsProfileVisible());
        return true;
    case IDC_SNAP:
        OnSnap();
        return true;
    case IDC_RECORD:
        OnRecord();
        return true;
    case IDC_STATUSBAR_VISIBLE:
        model_.SetIsStatusBarVisible(!model_.GetIsStatusBarVisible());
        return true;
    default:
        return Dialog::OnCommand(id, code, control);
    }
}

void ControlPanel::OnDeviceSelected()
{
    const int index = device_.GetCurSel();
    if (index < 0)
    {
        return;
    }
    try
    {
        model_.SelectDevice(index);
    }
    catch (...)
    {
        // The step that failed may have left another device or format
        // selected, or none of the change made: show what the model holds.
        const std::exception_ptr error = std::current_exception();
        ShowDevice();
        ShowFrameFormat();
        Common::Mfc::ErrorReporter::ShowNow(Common::Mfc::ErrorReporter::UserAction::DeviceChoice,
                                            GetSafeHwnd(), error);
    }
}

void ControlPanel::OnFormatSelected()
{
    const int index = format_.GetCurSel();
    if (index < 0)
    {
        return;
    }
    try
    {
        model_.SelectFrameFormat(index);
    }
    catch (...)
    {
        const std::exception_ptr error = std::current_exception();
        ShowFrameFormat();
        Common::Mfc::ErrorReporter::ShowNow(Common::Mfc::ErrorReporter::UserAction::FormatChoice,
                                            GetSafeHwnd(), error);
    }
}

std::optional<int> ControlPanel::TypedValue(const std::wstring& text, int lower, int upper)
{
    const long typed = ParseDecimal(text);
    if (typed < lower)
    {
        return std::nullopt;
    }
    return static_cast<int>(std::min<long>(typed, upper));
}

void ControlPanel::OnNumberTyped(int id)
{
    // Edit-changed events come while the dialog is being made, before the
    // spins exist.
    if (bitRateSpin_.GetSafeHwnd() == nullptr)
    {
        return;
    }
    switch (id)
    {
    case IDC_ZOOM_EDIT:
        if (const auto ratio = TypedValue(zoomEdit_.GetWindowText(), ZoomMin, ZoomMax))
        {
            model_.SetViewRatio(*ratio);
        }
        else
        {
            return;
        }
        break;
    case IDC_MARKER_X:
    case IDC_MARKER_Y:
    {
        const bool x = id == IDC_MARKER_X;
        const auto [lower, upper] = (x ? markerXSpin_ : markerYSpin_).GetRange32();
        const auto value = TypedValue((x ? markerXEdit_ : markerYEdit_).GetWindowText(), lower, upper);
        if (!value)
        {
            return;
        }
        const POINT marker = model_.GetMarkerPosition();
        model_.SetMarkerPosition(x ? *value : marker.x, x ? marker.y : *value);
        break;
    }
    case IDC_BITRATE:
        if (const auto rate = TypedValue(bitRateEdit_.GetWindowText(), BitRateMin, BitRateMax))
        {
            model_.SetMovieBitRate(*rate);
        }
        else
        {
            return;
        }
        break;
    default:
        return;
    }
    // A text above the greatest value set the greatest: the field shows it
    // at once (no notification comes when the model held it already).
    ShowModelNumber(id);
}

void ControlPanel::ShowModelNumber(int id)
{
    if (bitRateSpin_.GetSafeHwnd() == nullptr)
    {
        return;
    }
    const POINT marker = model_.GetMarkerPosition();
    switch (id)
    {
    case IDC_ZOOM_EDIT:
        ShowNumber(zoomEdit_, zoomSpin_, model_.GetViewRatio());
        break;
    case IDC_MARKER_X:
        ShowNumber(markerXEdit_, markerXSpin_, marker.x);
        break;
    case IDC_MARKER_Y:
        ShowNumber(markerYEdit_, markerYSpin_, marker.y);
        break;
    case IDC_BITRATE:
        ShowNumber(bitRateEdit_, bitRateSpin_, model_.GetMovieBitRate());
        break;
    default:
        break;
    }
}

void ControlPanel::ShowNumber(Common::Mfc::Edit& edit, Common::Mfc::Spin& spin, int value)
{
    // A field that already reads as the value is left alone: rewriting it
    // while the user types would move the caret to the start and mix the
    // next digits into the old ones.
    const std::wstring text = edit.GetWindowText();
    if (!text.empty() && ParseDecimal(text) == value)
    {
        return;
    }
    spin.SetPos32(value);
    const std::wstring shown = std::to_wstring(value);
    if (edit.GetWindowText() != shown)
    {
        edit.SetWindowText(shown);
    }
    if (::GetFocus() == edit.GetSafeHwnd())
    {
        edit.SendMessage(EM_SETSEL, shown.size(), static_cast<LPARAM>(shown.size()));
    }
}

void ControlPanel::ShowZoomPosition(int position)
{
    zoomPosition_ = position;
    zoomSlider_.SetPos(position, true);
}

void ControlPanel::OnSnap()
{
    SnapCommand(model_, GetSafeHwnd());
}

void ControlPanel::OnRecord()
{
    RecordCommand(model_, GetSafeHwnd());
}

void ControlPanel::Fit()
{
    // The preview's view in DIPs: its client area at its DPI. Without a
    // preview there is no view, and the ratio becomes the least.
    double width = 0.0;
    double height = 0.0;
    const HWND preview = model_.GetPreviewWindow();
    if (preview != nullptr && IsWindow(preview) != FALSE)
    {
        RECT client = {};
        Common::Mfc::ThrowLastErrorIf(::GetClientRect(preview, &client) == FALSE);
        const UINT dpi = GetDpiForWindow(preview);
        const double scale = 96.0 / (dpi != 0 ? dpi : 96);
        width = (client.right - client.left) * scale;
        height = (client.bottom - client.top) * scale;
    }
    const auto format = model_.GetCurrentDevice().GetSelectedFormat();
    model_.SetViewRatio(FitRatio(width, height, format->width, format->height));
}

bool ControlPanel::OnScroll(int bar, int request, int position, HWND control)
{
    if (bar != SB_HORZ)
    {
        return false;
    }
    // The slider has already moved by itself for some requests; the step is
    // taken from the position the panel last gave it.
    if (control == zoomSlider_.GetSafeHwnd())
    {
        int to = RequestedPosition(request, position, zoomPosition_, ZoomSliderMin, ZoomSliderMax);
        // Below about 35 % neighbouring positions round to the same ratio: a
        // step goes on until the ratio changes, so that every key press and
        // channel click zooms.
        const int direction = to > zoomPosition_ ? 1 : to < zoomPosition_ ? -1 : 0;
        const bool stepped = request == SB_LINELEFT || request == SB_LINERIGHT || request == SB_PAGELEFT ||
                             request == SB_PAGERIGHT;
        while (stepped && direction != 0 && to + direction >= ZoomSliderMin &&
               to + direction <= ZoomSliderMax && RatioFromSliderPosition(to) == model_.GetViewRatio())
        {
            to += direction;
        }
        ShowZoomPosition(to);
        model_.SetViewRatio(RatioFromSliderPosition(to));
    }
    else if (control == bitRateSlider_.GetSafeHwnd())
    {
        const int from = model_.GetMovieBitRate();
        const int to = RequestedPosition(request, position, from, BitRateMin, BitRateMax);
        bitRateSlider_.SetPos(to, true);
        model_.SetMovieBitRate(bitRateSlider_.GetPos());
    }
    return false;
}

bool ControlPanel::OnMouseWheel(UINT flags, int delta, POINT screenPoint)
{
    // The wheel goes to the window with the focus and climbs to its parents
    // unless handled: a slider under the pointer takes it, wherever the
    // focus is.
    for (auto* slider : {&zoomSlider_, &bitRateSlider_})
    {
        RECT rect = slider->GetWindowRect();
        if (PtInRect(&rect, screenPoint) != FALSE && IsWindowEnabled(slider->GetSafeHwnd()) != FALSE)
        {
            slider->SendMessage(WM_MOUSEWHEEL,
                                MAKEWPARAM(flags, static_cast<WORD>(static_cast<short>(delta))),
                                MAKELPARAM(screenPoint.x, screenPoint.y));
            return true;
        }
    }
    return false;
}

bool ControlPanel::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == WM_DRAWITEM && wParam == IDC_MARKER_COLOR)
    {
        markerColor_.Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        result = TRUE;
        return true;
    }
    return Dialog::OnMessage(message, wParam, lParam, result);
}

// ---- refresh from the model ----

void ControlPanel::ShowDevice()
{
    // The list follows the cameras the machine has now.
    device_.ResetContent();
    for (const auto& device : model_.GetCapture().devices)
    {
        device_.AddString(device->name);
    }
    device_.SetCurSel(model_.GetCurrentDeviceIndex());
    format_.ResetContent();
    for (const auto& format : model_.GetCurrentDevice().GetFormats())
    {
        format_.AddString(format->GetName());
    }
    // The list read again keeps the device and its format: shown at once.
    ShowFrameFormat();
}

void ControlPanel::ShowFrameFormat()
{
    const Common::Device& device = model_.GetCurrentDevice();
    format_.SetCurSel(device.GetSelectedFormatIndex());
    const auto format = device.GetSelectedFormat();
    markerXSpin_.SetRange32(0, format->width - 1);
    markerYSpin_.SetRange32(0, format->height - 1);
}

void ControlPanel::OnPropertyChanged(std::int32_t id)
{
    switch (static_cast<PropertyId>(id))
    {
    case PropertyId::CaptureDevice:
        ShowDevice();
        break;
    case PropertyId::FrameFormat:
        ShowFrameFormat();
        break;
    case PropertyId::ViewRatio:
        ShowModelNumber(IDC_ZOOM_EDIT);
        ShowZoomPosition(SliderPositionFromRatio(model_.GetViewRatio()));
        break;
    case PropertyId::IsMarkerVisible:
    {
        const bool visible = model_.GetIsMarkerVisible();
        marker_.SetCheck(visible ? BST_CHECKED : BST_UNCHECKED);
        EnableItems({IDC_MARKER_X_LABEL, IDC_MARKER_X, IDC_MARKER_X_SPIN, IDC_MARKER_Y_LABEL, IDC_MARKER_Y,
                     IDC_MARKER_Y_SPIN, IDC_MARKER_COLOR_LABEL, IDC_MARKER_COLOR, IDC_PROFILE},
                    visible);
        break;
    }
    case PropertyId::MarkerPosition:
        ShowModelNumber(IDC_MARKER_X);
        ShowModelNumber(IDC_MARKER_Y);
        break;
    case PropertyId::MarkerColor:
        markerColor_.SetColor(model_.GetMarkerColor());
        break;
    case PropertyId::IsProfileVisible:
        profile_.SetCheck(model_.GetIsProfileVisible() ? BST_CHECKED : BST_UNCHECKED);
        break;
    case PropertyId::IsStatusBarVisible:
        statusBar_.SetCheck(model_.GetIsStatusBarVisible() ? BST_CHECKED : BST_UNCHECKED);
        break;
    case PropertyId::SaveTarget:
        saveTarget_.SetCurSel(model_.GetSaveTarget());
        UpdateControlStates();
        break;
    case PropertyId::FileFormat:
        fileFormat_.SetCurSel(model_.GetFileFormat());
        UpdateControlStates();
        break;
    case PropertyId::MovieBitRate:
        ShowModelNumber(IDC_BITRATE);
        bitRateSlider_.SetPos(model_.GetMovieBitRate(), true);
        break;
    case PropertyId::IsRecording:
    {
        const bool recording = model_.GetIsRecording();
        record_.SetCheck(recording ? BST_CHECKED : BST_UNCHECKED);
        record_.SetWindowText(recording ? L"停止" : L"録画");
        UpdateControlStates();
        break;
    }
    default:
        break;
    }
}

void ControlPanel::EnableItems(std::initializer_list<int> ids, bool enable)
{
    for (const int id : ids)
    {
        ::EnableWindow(GetDlgItem(id), enable ? TRUE : FALSE);
    }
}

void ControlPanel::UpdateControlStates()
{
    const std::int32_t format = model_.GetFileFormat();
    const bool recording = model_.GetIsRecording();
    const bool movie = IsMovieFormat(format);
    const bool snapped = model_.GetSaveTarget() == 0;

    const bool deviceEnabled = !(movie && recording);
    const bool formatEnabled = !recording;
    const bool bitRateEnabled = !recording && format >= 5;
    const bool snapEnabled = movie && !recording ? false : snapped;

    EnableItems({IDC_DEVICE_LABEL, IDC_DEVICE, IDC_FORMAT_LABEL, IDC_FORMAT}, deviceEnabled);
    EnableItems({IDC_FILE_FORMAT_LABEL, IDC_FILE_FORMAT}, formatEnabled);
    EnableItems({IDC_BITRATE_LABEL, IDC_BITRATE, IDC_BITRATE_SPIN, IDC_BITRATE_UNIT, IDC_BITRATE_SLIDER},
                bitRateEnabled);
    EnableItems({IDC_SNAP}, snapEnabled);
}

} // namespace TavixCapture
