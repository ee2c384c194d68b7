// TavixCapture::ControlPanel: the capture-settings page of the side pane
// (dialog template 133). Its controls show and change the model: device and
// frame format, zoom, cross-line marker, profile, save target and format,
// bit rate, Snap and record, status bar. It keeps no value of its own: a
// user action writes the model, and controls change only on the model's
// notifications. Writing a value the model already holds raises nothing,
// which ends the loop between a control and its own refresh.
//
// An error while switching device or format is shown in the error box; the
// lists then show what the model holds, and the program carries on.
// UI thread.
#pragma once

#include "Common/ui/Button.h"
#include "Common/ui/ComboBox.h"
#include "Common/ui/Dialog.h"
#include "Common/ui/Edit.h"
#include "Common/ui/SliderControl.h"
#include "Common/ui/Spin.h"
#include "ui/ColorPickerButton.h"

#include <cstdint>
#include <optional>
#include <string>

namespace TavixCapture
{

class MainModel;

class ControlPanel : public Common::Mfc::Dialog
{
public:
    explicit ControlPanel(MainModel& model);
    ~ControlPanel() override;

    // The zoom slider's logarithmic scale: position -100..100 to ratio
    // 10..1000 % and back (rounded, halves away from zero).
    static std::int32_t RatioFromSliderPosition(int position);
    static int SliderPositionFromRatio(std::int32_t ratio);
    // The largest ratio at which a frame of that size fits a view of that
    // size in DIPs (truncated, kept within 10..1000).
    static std::int32_t FitRatio(double viewWidth, double viewHeight, std::int32_t frameWidth,
                                 std::int32_t frameHeight);
    // What a typed text means for a value of [lower, upper]: nothing yet
    // below the least ("5" on the way to "50"), the greatest above it.
    static std::optional<int> TypedValue(const std::wstring& text, int lower, int upper);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override {}
    bool OnCommand(int id, int code, HWND control) override;
    bool OnScroll(int bar, int request, int position, HWND control) override;
    bool OnMouseWheel(UINT flags, int delta, POINT screenPoint) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnDestroy() override;
    void OnPropertyChanged(std::int32_t id) override;

private:
    void OnDeviceSelected();
    void OnFormatSelected();
    // A number typed into the zoom, marker or bit-rate field (by its id).
    void OnNumberTyped(int id);
    // The field of that id shows the model's value.
    void ShowModelNumber(int id);
    static void ShowNumber(Common::Mfc::Edit& edit, Common::Mfc::Spin& spin, int value);
    void ShowZoomPosition(int position);
    void OnSnap();
    void OnRecord();
    void Fit();
    // The device list's selection, the format list and its selection and
    // the marker ranges as the model holds them now.
    void ShowDevice();
    void ShowFrameFormat();
    void UpdateControlStates();
    void EnableItems(std::initializer_list<int> ids, bool enable);

    MainModel& model_;
    bool registered_ = false;
    Common::Mfc::ComboBox device_;
    Common::Mfc::ComboBox format_;
    Common::Mfc::Edit zoomEdit_;
    Common::Mfc::Spin zoomSpin_;
    Common::Mfc::SliderControl zoomSlider_;
    int zoomPosition_ = 0; // where the panel last put the zoom slider
    Common::Mfc::Button marker_;
    Common::Mfc::Edit markerXEdit_;
    Common::Mfc::Spin markerXSpin_;
    Common::Mfc::Edit markerYEdit_;
    Common::Mfc::Spin markerYSpin_;
    ColorPickerButton markerColor_;
    Common::Mfc::Button profile_;
    Common::Mfc::ComboBox saveTarget_;
    Common::Mfc::ComboBox fileFormat_;
    Common::Mfc::Edit bitRateEdit_;
    Common::Mfc::Spin bitRateSpin_;
    Common::Mfc::SliderControl bitRateSlider_;
    Common::Mfc::Button snap_;
    Common::Mfc::Button record_;
    Common::Mfc::Button statusBar_;
};

} // namespace TavixCapture
