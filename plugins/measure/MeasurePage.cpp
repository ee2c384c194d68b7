#include "MeasurePage.h"

#include "AtomicTextFile.h"
#include "MeasureProcessor.h"
#include "MeasureResource.h"
#include "Report.h"

#include "Common/Exception.h"
#include "Common/ui/ErrorReporter.h"

#include <commdlg.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace TavixMeasure
{

namespace
{

constexpr UINT_PTR RefreshTimer = 1;
constexpr UINT RefreshMilliseconds = 250;

const COLORREF ChannelPens[ChannelCount] = {RGB(230, 40, 40), RGB(30, 180, 30), RGB(40, 80, 230),
                                            RGB(90, 90, 90)};

// A GDI object selected into a DC for one scope.
class SelectedObject
{
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), object_(object), old_(SelectObject(dc, object)) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject()
    {
        SelectObject(dc_, old_);
        DeleteObject(object_);
    }

private:
    HDC dc_;
    HGDIOBJ object_;
    HGDIOBJ old_;
};

// The notification by which the control `id` says the user changed an
// option, or NotAnOption (BN_CLICKED is 0).
constexpr int NotAnOption = -1;

int ChangeNotification(int id)
{
    switch (id)
    {
    case IDC_MEASURE_MODE:
    case IDC_MEASURE_CHANNEL:
    case IDC_MEASURE_INTERPOLATION:
    case IDC_MEASURE_BASELINE_MODE:
    case IDC_MEASURE_CHART_QUANTITY:
        return CBN_SELCHANGE;
    case IDC_MEASURE_BASELINE:
    case IDC_MEASURE_UNIT:
    case IDC_MEASURE_SCALE:
    case IDC_MEASURE_KNOWN_LENGTH:
    case IDC_MEASURE_CHART_SECONDS:
        return EN_CHANGE;
    case IDC_MEASURE_PROFILE_VISIBLE:
    case IDC_MEASURE_SATURATION:
    case IDC_MEASURE_BLACK:
    case IDC_MEASURE_HISTOGRAM_LOG:
        return BN_CLICKED;
    default:
        return NotAnOption;
    }
}

// A length for the main figures: in the unit when calibrated, else in px.
std::wstring LengthText(double pixels, const Calibration& calibration)
{
    if (!std::isfinite(pixels))
    {
        return NotDefinedText;
    }
    return calibration.IsValid() ? FormatNumber(calibration.ToUnit(pixels), 4) + L" " + calibration.unit
                                 : FormatNumber(pixels, 2) + L" px";
}

void Fill(Common::Mfc::ComboBox& box, std::initializer_list<const wchar_t*> items)
{
    box.ResetContent();
    for (const wchar_t* item : items)
    {
        box.AddString(item);
    }
}

} // namespace

MeasurePage::MeasurePage(MeasureProcessor& processor, HINSTANCE resources)
    : Dialog(IDD_MEASURE_PAGE, resources), processor_(processor)
{
}

MeasurePage::~MeasurePage()
{
    DestroyWindow();
}

BOOL MeasurePage::OnInitDialog()
{
    mode_.AttachItem(*this, IDC_MEASURE_MODE);
    channel_.AttachItem(*this, IDC_MEASURE_CHANNEL);
    interpolation_.AttachItem(*this, IDC_MEASURE_INTERPOLATION);
    baselineMode_.AttachItem(*this, IDC_MEASURE_BASELINE_MODE);
    baseline_.AttachItem(*this, IDC_MEASURE_BASELINE);
    profileVisible_.AttachItem(*this, IDC_MEASURE_PROFILE_VISIBLE);
    saturation_.AttachItem(*this, IDC_MEASURE_SATURATION);
    black_.AttachItem(*this, IDC_MEASURE_BLACK);
    unit_.AttachItem(*this, IDC_MEASURE_UNIT);
    scale_.AttachItem(*this, IDC_MEASURE_SCALE);
    knownLength_.AttachItem(*this, IDC_MEASURE_KNOWN_LENGTH);
    readout_.AttachItem(*this, IDC_MEASURE_READOUT);
    histogramLog_.AttachItem(*this, IDC_MEASURE_HISTOGRAM_LOG);
    chartQuantity_.AttachItem(*this, IDC_MEASURE_CHART_QUANTITY);
    chartSeconds_.AttachItem(*this, IDC_MEASURE_CHART_SECONDS);

    Fill(mode_, {L"なし", L"線", L"矩形", L"校正"});
    Fill(channel_, {L"赤", L"緑", L"青", L"輝度"});
    Fill(interpolation_, {L"最近傍", L"双線形"});
    Fill(baselineMode_, {L"両端", L"指定値"});
    Fill(chartQuantity_, {L"領域の平均", L"線の最大値", L"線の半値全幅"});
    unit_.SetLimitText(16);
    chartSeconds_.SetLimitText(3);
    ShowOptions();
    SetTimer(RefreshTimer, RefreshMilliseconds);
    return TRUE;
}

void MeasurePage::ShowOptions()
{
    if (GetSafeHwnd() == nullptr)
    {
        return;
    }
    const MeasureOptions& o = processor_.GetOptions();
    showing_ = true;
    mode_.SetCurSel(static_cast<int>(o.mouseMode));
    channel_.SetCurSel(static_cast<int>(o.measure.channel));
    interpolation_.SetCurSel(static_cast<int>(o.measure.interpolation));
    baselineMode_.SetCurSel(static_cast<int>(o.measure.baselineMode));
    auto setText = [](Common::Mfc::Edit& edit, const std::wstring& text)
    {
        // Leave a field alone while it says the same: the caret stays.
        double shown = 0.0;
        double wanted = 0.0;
        const std::wstring current = edit.GetWindowText();
        if (current != text && !(ParseNumber(current, shown) && ParseNumber(text, wanted) && shown == wanted))
        {
            edit.SetWindowText(text);
        }
    };
    setText(baseline_, NumberText(o.measure.baseline));
    baseline_.Enable(o.measure.baselineMode == BaselineMode::User);
    profileVisible_.SetCheck(o.showProfile ? BST_CHECKED : BST_UNCHECKED);
    saturation_.SetCheck(o.measure.showSaturation ? BST_CHECKED : BST_UNCHECKED);
    black_.SetCheck(o.measure.markBlack ? BST_CHECKED : BST_UNCHECKED);
    black_.Enable(o.measure.showSaturation);
    if (unit_.GetWindowText() != o.calibration.unit)
    {
        unit_.SetWindowText(o.calibration.unit);
    }
    setText(scale_, NumberText(o.calibration.scale));
    setText(knownLength_, NumberText(o.knownLength));
    histogramLog_.SetCheck(o.histogramLog ? BST_CHECKED : BST_UNCHECKED);
    chartQuantity_.SetCurSel(static_cast<int>(o.chartQuantity));
    setText(chartSeconds_, std::to_wstring(o.chartSeconds));
    showing_ = false;
    Refresh();
}

void MeasurePage::OnOK()
{
    processor_.KeepOptions();
}

void MeasurePage::ReadControls(MeasureProcessor::Keep keep)
{
    MeasureOptions o = processor_.GetOptions();
    auto selection = [](const Common::Mfc::ComboBox& box, auto current)
    {
        const int index = box.GetCurSel();
        return index >= 0 ? static_cast<decltype(current)>(index) : current;
    };
    o.mouseMode = selection(mode_, o.mouseMode);
    o.measure.channel = selection(channel_, o.measure.channel);
    o.measure.interpolation = selection(interpolation_, o.measure.interpolation);
    o.measure.baselineMode = selection(baselineMode_, o.measure.baselineMode);
    o.chartQuantity = selection(chartQuantity_, o.chartQuantity);
    // A number being typed that does not read yet keeps the last good value.
    double number = 0.0;
    if (ParseNumber(baseline_.GetWindowText(), number))
    {
        o.measure.baseline = number;
    }
    if (ParseNumber(scale_.GetWindowText(), number) && number > 0.0)
    {
        o.calibration.scale = number;
    }
    if (ParseNumber(knownLength_.GetWindowText(), number) && number > 0.0)
    {
        o.knownLength = number;
    }
    if (ParseNumber(chartSeconds_.GetWindowText(), number))
    {
        o.chartSeconds = std::clamp(static_cast<int>(number), 1, MeasureOptions::MaxChartSeconds);
    }
    o.calibration.unit = unit_.GetWindowText();
    o.showProfile = profileVisible_.GetCheck() == BST_CHECKED;
    o.measure.showSaturation = saturation_.GetCheck() == BST_CHECKED;
    o.measure.markBlack = black_.GetCheck() == BST_CHECKED;
    o.histogramLog = histogramLog_.GetCheck() == BST_CHECKED;
    processor_.SetOptions(o, keep);
    baseline_.Enable(o.measure.baselineMode == BaselineMode::User);
    black_.Enable(o.measure.showSaturation);
}

bool MeasurePage::OnCommand(int id, int code, HWND control)
{
    // A control that edits options: a check box also redraws the figures.
    if (const int changed = ChangeNotification(id); changed != NotAnOption)
    {
        if (changed == EN_CHANGE && code == EN_KILLFOCUS)
        {
            // Typing measures at once; the number is written when the box is left.
            processor_.KeepOptions();
        }
        else if (code == changed && !showing_)
        {
            ReadControls(changed == EN_CHANGE ? MeasureProcessor::Keep::Later : MeasureProcessor::Keep::Now);
            if (changed == BN_CLICKED)
            {
                Refresh();
            }
        }
        return true;
    }
    switch (id)
    {
    case IDC_MEASURE_CLEAR:
        if (code == BN_CLICKED)
        {
            MeasureOptions o = processor_.GetOptions();
            o.measure.hasLine = false;
            o.measure.hasRegion = false;
            processor_.SetOptions(o);
            processor_.ClearChart();
        }
        return true;
    case IDC_MEASURE_SAVE_PROFILE:
        AskAndSave(Export::Profile);
        return true;
    case IDC_MEASURE_SAVE_HISTOGRAM:
        AskAndSave(Export::Histogram);
        return true;
    case IDC_MEASURE_SAVE_CHART:
        AskAndSave(Export::Chart);
        return true;
    case IDC_MEASURE_COPY:
        CopyStatistics();
        return true;
    default:
        return Dialog::OnCommand(id, code, control);
    }
}

bool MeasurePage::OnTimer(UINT_PTR id)
{
    if (id != RefreshTimer)
    {
        return false;
    }
    if (IsVisible())
    {
        Refresh();
    }
    return true;
}

void MeasurePage::Refresh()
{
    if (GetSafeHwnd() == nullptr)
    {
        return;
    }
    const Measurement& m = processor_.Latest();
    const Calibration& calibration = processor_.GetOptions().calibration;
    std::wstring text;
    auto append = [&](const Table& table)
    {
        for (const auto& row : table)
        {
            std::wstring line;
            for (const std::wstring& cell : row)
            {
                if (!cell.empty())
                {
                    line += (line.empty() ? L"" : L"  ") + cell;
                }
            }
            text += line + L"\r\n";
        }
    };
    if (m.sequence == 0)
    {
        text = L"フレームを待っています。";
    }
    else if (!m.hasLine && !m.hasRegion)
    {
        text = L"映像の上で線または矩形をドラッグしてください。";
    }
    append(LineTable(m, calibration));
    append(RegionTable(m, calibration));
    if (m.hasMask)
    {
        text += L"飽和画素  " + std::to_wstring(m.mask.SaturatedCount());
        if (m.settings.markBlack)
        {
            text += L"  黒画素  " + std::to_wstring(m.mask.BlackCount());
        }
        text += L"\r\n";
    }
    if (m.skipped > 0)
    {
        // Frames that came while the histograms of an earlier one were
        // still being counted: not measured, never waited for.
        text += L"計測を見送ったフレーム  " + std::to_wstring(m.skipped) + L"\r\n";
    }
    ShowFigures(m, calibration);
    if (text != readoutText_)
    {
        readoutText_ = text;
        // Keep the user's scroll position across refreshes.
        const int first = static_cast<int>(readout_.SendMessage(EM_GETFIRSTVISIBLELINE));
        readout_.SetWindowText(text);
        readout_.SendMessage(EM_LINESCROLL, 0, first);
    }
    const MeasureOptions& o = processor_.GetOptions();
    processor_.CopyChart(o.chartSeconds, chartPoints_);
    ::InvalidateRect(GetDlgItem(IDC_MEASURE_HISTOGRAM), nullptr, FALSE);
    ::InvalidateRect(GetDlgItem(IDC_MEASURE_CHART), nullptr, FALSE);
}

void MeasurePage::SetItemText(int id, const std::wstring& text)
{
    // Only what changed: a static set to the same text would flicker.
    wchar_t shown[128] = {};
    GetDlgItemTextW(GetSafeHwnd(), id, shown, 128);
    if (text != shown)
    {
        SetDlgItemTextW(GetSafeHwnd(), id, text.c_str());
    }
}

void MeasurePage::ShowFigures(const Measurement& m, const Calibration& calibration)
{
    const ProfileStatistics& line = m.lineStatistics;
    const std::wstring channel = L" (" + ChannelName(m.settings.channel) + L")";
    SetItemText(IDC_MEASURE_LINE_TITLE, L"線" + (m.hasLine ? channel : std::wstring()));
    const double none = ProfileStatistics::NotDefined;
    SetItemText(IDC_MEASURE_LINE_PEAK, LengthText(m.hasLine ? line.peakPosition : none, calibration));
    SetItemText(IDC_MEASURE_LINE_MAXIMUM, FormatNumber(m.hasLine ? line.maximum : none, 1));
    SetItemText(IDC_MEASURE_LINE_CENTROID, LengthText(m.hasLine ? line.centroid : none, calibration));
    SetItemText(IDC_MEASURE_LINE_FWHM, LengthText(m.hasLine ? line.fwhm : none, calibration));
    SetItemText(IDC_MEASURE_LINE_E2, LengthText(m.hasLine ? line.widthE2 : none, calibration));
    SetItemText(IDC_MEASURE_LINE_4SIGMA, LengthText(m.hasLine ? line.width4Sigma : none, calibration));

    const SpotStatistics& spot = m.region.Spot();
    const ChannelStatistics& chosen = m.region.StatisticsOf(m.region.SpotChannel());
    SetItemText(IDC_MEASURE_SPOT_TITLE,
                L"スポット" +
                    (m.hasRegion ? L" (" + ChannelName(m.region.SpotChannel()) + L")" : std::wstring()));
    SetItemText(IDC_MEASURE_SPOT_X, LengthText(m.hasRegion ? spot.centroidX : none, calibration));
    SetItemText(IDC_MEASURE_SPOT_Y, LengthText(m.hasRegion ? spot.centroidY : none, calibration));
    SetItemText(IDC_MEASURE_SPOT_WIDTH_X, LengthText(m.hasRegion ? spot.width4SigmaX : none, calibration));
    SetItemText(IDC_MEASURE_SPOT_WIDTH_Y, LengthText(m.hasRegion ? spot.width4SigmaY : none, calibration));
    SetItemText(IDC_MEASURE_SPOT_MAXIMUM,
                m.hasRegion && chosen.count > 0 ? std::to_wstring(chosen.maximum) : NotDefinedText);
    SetItemText(IDC_MEASURE_SPOT_ITERATIONS, !m.hasRegion || spot.iterations == 0 ? NotDefinedText
                                             : spot.converged ? std::to_wstring(spot.iterations) + L" 回"
                                                              : std::wstring(L"収束せず"));

    // Saturation: the region's share in the chosen channel, the frame's
    // count while the overlay shows it (black pixels: in the read-out).
    std::wstring saturation = L"飽和:";
    if (m.hasRegion && chosen.count > 0)
    {
        saturation += L" 領域 " + FormatNumber(chosen.saturatedShare * 100.0, 3) + L" %";
    }
    if (m.hasMask)
    {
        saturation += L"  画面 " + std::to_wstring(m.mask.SaturatedCount()) + L" 画素";
    }
    if (!(m.hasRegion && chosen.count > 0) && !m.hasMask)
    {
        saturation += L" " + std::wstring(NotDefinedText);
    }
    SetItemText(IDC_MEASURE_SATURATION_TEXT, saturation);
}

bool MeasurePage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == WM_DRAWITEM)
    {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item->CtlID == IDC_MEASURE_HISTOGRAM)
        {
            DrawHistogram(*item);
        }
        else if (item->CtlID == IDC_MEASURE_CHART)
        {
            DrawChart(*item);
        }
        result = TRUE;
        return true;
    }
    return Dialog::OnMessage(message, wParam, lParam, result);
}

void MeasurePage::DrawHistogram(const DRAWITEMSTRUCT& item)
{
    const RECT& r = item.rcItem;
    HDC dc = item.hDC;
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    const Measurement& m = processor_.Latest();
    if (!m.hasRegion)
    {
        return;
    }
    const bool logarithmic = processor_.GetOptions().histogramLog;
    auto height = [&](std::uint32_t count)
    { return logarithmic ? std::log1p(static_cast<double>(count)) : static_cast<double>(count); };
    double top = 0.0;
    for (int c = 0; c < ChannelCount; ++c)
    {
        for (std::uint32_t count : m.region.HistogramOf(static_cast<Channel>(c)))
        {
            top = std::max(top, height(count));
        }
    }
    if (top <= 0.0)
    {
        return;
    }
    const int width = r.right - r.left - 2;
    const int plot = r.bottom - r.top - 2;
    for (int c = 0; c < ChannelCount; ++c)
    {
        if (m.region.StatisticsOf(static_cast<Channel>(c)).count == 0)
        {
            continue; // luma, when another channel is chosen
        }
        SelectedObject pen(dc, CreatePen(PS_SOLID, 1, ChannelPens[c]));
        const Histogram& histogram = m.region.HistogramOf(static_cast<Channel>(c));
        POINT points[256];
        for (int v = 0; v < 256; ++v)
        {
            points[v].x = r.left + 1 + v * (width - 1) / 255;
            points[v].y = r.bottom - 1 -
                          static_cast<LONG>(
                              std::lround(height(histogram[static_cast<std::size_t>(v)]) / top * (plot - 1)));
        }
        Polyline(dc, points, 256);
    }
}

void MeasurePage::DrawChart(const DRAWITEMSTRUCT& item)
{
    const RECT& r = item.rcItem;
    HDC dc = item.hDC;
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    if (chartPoints_.size() < 2)
    {
        return;
    }
    const MeasureOptions& o = processor_.GetOptions();
    const double newest = chartPoints_.back().time;
    const double seconds = o.chartSeconds;
    const int series = o.chartQuantity == ChartQuantity::RegionMean ? ChannelCount : 1;
    double low = HUGE_VAL;
    double high = -HUGE_VAL;
    for (const auto& point : chartPoints_)
    {
        for (int s = 0; s < series; ++s)
        {
            if (std::isfinite(point.values[static_cast<std::size_t>(s)]))
            {
                low = std::min(low, point.values[static_cast<std::size_t>(s)]);
                high = std::max(high, point.values[static_cast<std::size_t>(s)]);
            }
        }
    }
    if (!(low <= high))
    {
        return;
    }
    if (high - low < 1e-9)
    {
        low -= 1.0;
        high += 1.0;
    }
    const int width = r.right - r.left - 2;
    const int plot = r.bottom - r.top - 2;
    std::vector<POINT> points;
    for (int s = 0; s < series; ++s)
    {
        SelectedObject pen(dc, CreatePen(PS_SOLID, 1, series == 1 ? RGB(0, 0, 0) : ChannelPens[s]));
        points.clear();
        auto flush = [&]
        {
            if (points.size() > 1)
            {
                Polyline(dc, points.data(), static_cast<int>(points.size()));
            }
            points.clear();
        };
        for (const auto& point : chartPoints_)
        {
            const double value = point.values[static_cast<std::size_t>(s)];
            if (!std::isfinite(value))
            {
                flush(); // a gap where nothing was measured
                continue;
            }
            const double x = 1.0 - (newest - point.time) / seconds;
            points.push_back(
                {r.left + 1 + static_cast<LONG>(std::lround(x * (width - 1))),
                 r.bottom - 1 - static_cast<LONG>(std::lround((value - low) / (high - low) * (plot - 1)))});
        }
        flush();
    }
}

void MeasurePage::SaveCsv(Export kind, const std::wstring& path)
{
    const Measurement& m = processor_.Latest();
    const MeasureOptions& o = processor_.GetOptions();
    std::string bytes = "\xEF\xBB\xBF"; // UTF-8 with its mark, so that spreadsheets read it as such
    switch (kind)
    {
    case Export::Profile:
        if (!m.hasLine)
        {
            throw Common::Exception(
                std::wstring(L"線のプロファイルがありません。映像の上で線をドラッグしてください。"));
        }
        bytes += ToCsv(ProfileTable(m, o.calibration));
        break;
    case Export::Histogram:
    {
        if (!m.hasRegion)
        {
            throw Common::Exception(
                std::wstring(L"領域がありません。映像の上で矩形をドラッグしてください。"));
        }
        Table table = HistogramTable(m);
        table.emplace_back();
        const Table figures = RegionTable(m, o.calibration);
        table.insert(table.end(), figures.begin(), figures.end());
        bytes += ToCsv(table);
        break;
    }
    case Export::Chart:
    {
        std::vector<StripChart::Point> points;
        processor_.CopyChart(o.chartSeconds, points);
        if (points.empty())
        {
            throw Common::Exception(std::wstring(L"チャートにまだ値がありません。"));
        }
        bytes += ToCsv(ChartTable(points, o.chartQuantity, o.calibration));
        break;
    }
    }
    WriteFileAtomically(path, bytes);
}

void MeasurePage::AskAndSave(Export kind)
{
    try
    {
        const wchar_t* name = kind == Export::Profile     ? L"profile.csv"
                              : kind == Export::Histogram ? L"region.csv"
                                                          : L"chart.csv";
        std::vector<wchar_t> file(MAX_PATH * 4, L'\0');
        std::wcsncpy(file.data(), name, file.size() - 1);
        OPENFILENAMEW dialog{};
        dialog.lStructSize = sizeof(dialog);
        dialog.hwndOwner = GetSafeHwnd();
        dialog.lpstrFilter = L"CSV ファイル (*.csv)\0*.csv\0すべてのファイル (*.*)\0*.*\0";
        dialog.lpstrFile = file.data();
        dialog.nMaxFile = static_cast<DWORD>(file.size());
        dialog.lpstrDefExt = L"csv";
        dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
        if (GetSaveFileNameW(&dialog) == FALSE)
        {
            const DWORD error = CommDlgExtendedError();
            if (error != 0)
            {
                throw Common::Exception(static_cast<HRESULT>(E_FAIL));
            }
            return; // cancelled
        }
        SaveCsv(kind, file.data());
    }
    catch (const Common::Exception& error)
    {
        ReportAtOnce(L"CSV ファイルを保存できませんでした。\n", error);
    }
}

std::wstring MeasurePage::StatisticsText()
{
    const Measurement& m = processor_.Latest();
    const Calibration& calibration = processor_.GetOptions().calibration;
    Table table = LineTable(m, calibration);
    const Table region = RegionTable(m, calibration);
    if (!table.empty() && !region.empty())
    {
        table.emplace_back();
    }
    table.insert(table.end(), region.begin(), region.end());
    return ToTabSeparated(table);
}

void MeasurePage::CopyStatistics()
{
    try
    {
        const std::wstring text = StatisticsText();
        if (text.empty())
        {
            throw Common::Exception(
                std::wstring(L"コピーする統計がありません。映像の上で線または矩形をドラッグしてください。"));
        }
        const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
        Common::Mfc::ThrowLastErrorIf(memory == nullptr);
        void* data = GlobalLock(memory);
        if (data == nullptr)
        {
            GlobalFree(memory);
            Common::Mfc::ThrowLastErrorIf(true);
        }
        std::memcpy(data, text.c_str(), bytes);
        GlobalUnlock(memory);
        if (OpenClipboard(GetSafeHwnd()) == FALSE)
        {
            GlobalFree(memory);
            Common::Mfc::ThrowLastErrorIf(true);
        }
        const bool emptied = EmptyClipboard() != FALSE;
        const bool handed = emptied && SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
        const DWORD error = handed ? 0 : GetLastError();
        CloseClipboard();
        if (!handed)
        {
            GlobalFree(memory); // still ours: the clipboard did not take it
            throw Common::Exception(error != 0 ? HRESULT_FROM_WIN32(error) : E_FAIL);
        }
    }
    catch (const Common::Exception& error)
    {
        ReportAtOnce(L"統計をクリップボードにコピーできませんでした。\n", error);
    }
}

void MeasurePage::ReportAtOnce(const std::wstring& what, const Common::Exception& error)
{
    // The program's reporter shows it in its own box; the user just pressed
    // the button and waits for the outcome.
    Common::Exception report(what + error.Message, error.File, error.Line);
    report.ErrorCode = error.ErrorCode;
    Common::Mfc::ErrorReporter::ShowNow(Common::Mfc::ErrorReporter::UserAction::ProcessorPageCommand,
                                        GetSafeHwnd(), std::make_exception_ptr(report));
}

} // namespace TavixMeasure
