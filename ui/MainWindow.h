// TavixCapture::MainWindow: the program's one top-level window, a dialog
// (template 102) run modally on the model. It lays out the banner with the
// capture and side-pane buttons, the preview, the side pane and the status
// bar; shows the frame rate and the pixel read-out; turns capture on and
// off; adds the about and processor-selection commands to the system menu;
// and keeps its placement in section "MainWindow" of the configuration.
// The buttons' pushed state comes only from the model. UI thread.
#pragma once

#include "Common/capture/FrameBuffer.h"
#include "Common/ui/Button.h"
#include "Common/ui/Dialog.h"
#include "Common/ui/StatusBar.h"
#include "Common/ui/Window.h"
#include "app/StartupOptions.h"
#include "ui/DeviceChangeNotifier.h"
#include "ui/FrameRateMeter.h"
#include "ui/PreviewWindow.h"
#include "ui/SidePane.h"

#include <cstdint>

namespace TavixCapture
{

class MainModel;

class MainWindow : public Common::Mfc::Dialog
{
public:
    // Raises Exception(E_POINTER) without a model.
    MainWindow(MainModel* model, const StartupOptions& options);
    ~MainWindow() override;

    // The start-up routine's runner: shows errors out of window handlers in
    // the program's error box and runs the main window until it closes.
    static void Run(MainModel& model, const StartupOptions& options);

    static constexpr UINT AboutCommand = 0x10;
    static constexpr UINT SelectProcessorCommand = 0x20;
    static constexpr UINT_PTR FpsTimerId = 1;

    // The placement worth saving and restoring: never minimised (the state
    // before it instead), never smaller than `minimum`.
    static WINDOWPLACEMENT PlacementToKeep(WINDOWPLACEMENT placement, SIZE minimum);

    // For the tests that drive the window as a user does.
    PreviewWindow& GetPreview() { return preview_; }
    SidePane& GetSidePane() { return sidePane_; }
    Common::Mfc::StatusBar& GetStatusBar() { return statusBar_; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override {}
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnSize(UINT type, int width, int height) override;
    bool OnTimer(UINT_PTR id) override;
    bool OnPaint() override;
    bool OnDestroy() override;
    void OnPropertyChanged(std::int32_t id) override;

private:
    void AppendSystemMenuItems();
    void SetIcons();
    void Layout();
    void ToggleCapture();
    void ShowCursorPosition();
    void ShowCursorPixel();
    void LoadPlacement();
    // False when the file could not be changed (saveFailure_ says why).
    bool SavePlacement();
    // Tells once, after the window closed, that the settings were not saved.
    void ReportUnsavedSettings() const;
    SIZE MinimumSize() const;
    // Pixels at 96 DPI in pixels at the window's DPI.
    int Scaled(int pixels) const;
    // The banner, the status bar's panes and the side pane at that DPI.
    void ApplyScale(UINT dpi);
    // Closes the window, its open dialogs first.
    void Close();
    void OnSystemCommand(UINT command);
    // Shows the rate of the frames delivered (and shown) since the last reading.
    void UpdateFrameRate(std::int64_t counter);
    // Time, frames and size of the recording, in the status bar's last pane.
    void ShowRecordingStatus();
    // After a capture change: a camera that was unplugged is told (and a
    // recording finished), its notice shown in the first pane until it goes.
    void ShowCameraRemoval();
    // WM_QUERYENDSESSION (`ending` false) and WM_ENDSESSION for an ending session.
    void OnEndSession(bool ending) noexcept;

    MainModel& model_;
    const StartupOptions options_;
    Common::Mfc::Window banner_;
    Common::Mfc::Window previewFrame_;
    Common::Mfc::Button captureButton_;
    Common::Mfc::Button sidePaneButton_;
    PreviewWindow preview_;
    SidePane sidePane_;
    Common::Mfc::StatusBar statusBar_;
    DeviceChangeNotifier deviceChanges_; // the list of cameras follows the machine
    HICON largeIcon_ = nullptr;
    HICON smallIcon_ = nullptr;
    UINT_PTR fpsTimer_ = 0;
    std::int64_t frequency_;
    FrameRateMeter frameRate_;
    Common::FrameBuffer cursorPixel_; // the pixel under the cursor, copied from the frame
    int closeAttempts_ = 0;
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
    bool saveFailed_ = false;           // the placement was not saved
    DWORD saveFailure_ = ERROR_SUCCESS; // why, when the platform said
};

} // namespace TavixCapture
