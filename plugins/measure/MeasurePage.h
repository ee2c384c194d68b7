// TavixMeasure::MeasurePage: the settings page of "計測" in the side pane (a
// child dialog from the plug-in's own template). It edits the processor's
// options, shows the main figures (the line's peak, centroid and widths, the
// spot's centroid and widths, the saturation) at a glance and every figure
// in the read-out below them, the region's histograms and the strip chart
// (refreshed by a timer), and exports them to CSV files and the clipboard.
// Owned by its processor. UI thread.
#pragma once

#include "MeasureOptions.h"
#include "MeasureProcessor.h"

#include "Common/Exception.h"
#include "Common/ui/Button.h"
#include "Common/ui/ComboBox.h"
#include "Common/ui/Dialog.h"
#include "Common/ui/Edit.h"

#include <string>
#include <vector>

namespace TavixMeasure
{

class MeasureProcessor;

class MeasurePage : public Common::Mfc::Dialog
{
public:
    enum class Export
    {
        Profile,   // the line profile
        Histogram, // the region's histograms and statistics
        Chart,     // the strip chart
    };

    MeasurePage(MeasureProcessor& processor, HINSTANCE resources);
    ~MeasurePage() override;

    // Puts the processor's options into the controls.
    void ShowOptions();
    // Takes the latest measurement into the read-out, histogram and chart.
    void Refresh();
    // Writes one export to `path` (CSV, UTF-8); raises Common::Exception.
    void SaveCsv(Export kind, const std::wstring& path);
    // The statistics as tab-separated text (what "コピー" puts on the clipboard).
    std::wstring StatisticsText();

protected:
    BOOL OnInitDialog() override;
    // IDOK (Enter, where the page's host passes it on): the number typed is kept.
    void OnOK() override;
    void OnCancel() override {}
    bool OnCommand(int id, int code, HWND control) override;
    bool OnTimer(UINT_PTR id) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // Takes the controls' values as the processor's options.
    void ReadControls(MeasureProcessor::Keep keep);
    // The main figures above the read-out.
    void ShowFigures(const Measurement& measurement, const Calibration& calibration);
    void SetItemText(int id, const std::wstring& text);
    void AskAndSave(Export kind);
    void CopyStatistics();
    // Shows "`what`" and the error's message in the program's error box now
    // (the user just pressed a button of the page).
    void ReportAtOnce(const std::wstring& what, const Common::Exception& error);
    void DrawHistogram(const DRAWITEMSTRUCT& item);
    void DrawChart(const DRAWITEMSTRUCT& item);

    MeasureProcessor& processor_;
    bool showing_ = false; // filling the controls: their notifications change nothing
    Common::Mfc::ComboBox mode_;
    Common::Mfc::ComboBox channel_;
    Common::Mfc::ComboBox interpolation_;
    Common::Mfc::ComboBox baselineMode_;
    Common::Mfc::Edit baseline_;
    Common::Mfc::Button profileVisible_;
    Common::Mfc::Button saturation_;
    Common::Mfc::Button black_;
    Common::Mfc::Edit unit_;
    Common::Mfc::Edit scale_;
    Common::Mfc::Edit knownLength_;
    Common::Mfc::Edit readout_;
    Common::Mfc::Button histogramLog_;
    Common::Mfc::ComboBox chartQuantity_;
    Common::Mfc::Edit chartSeconds_;
    std::wstring readoutText_;
    std::vector<StripChart::Point> chartPoints_;
};

} // namespace TavixMeasure
