// TavixCapture::SidePane: the panel on the right of the main window. It
// holds its pages in one place: the capture settings (ControlPanel), the
// camera's settings (CameraPage) and, when the selected processor offers
// one, the processor's settings page, with the HeaderPanel above them to
// switch between them. The page shown is the model's ControlPanelPage (0:
// capture settings, 1: the processor's, 2: the camera's). The main window
// creates the pane hidden with an empty rectangle; the pane takes the
// natural size of the header and the capture-settings page, whose width the
// main window's layout uses, and the main window shows and hides it. The
// processor's page belongs to the processor. UI thread.
#pragma once

#include "Common/ui/Window.h"
#include "ui/CameraPage.h"
#include "ui/ControlPanel.h"
#include "ui/HeaderPanel.h"

#include <cstdint>

namespace TavixCapture
{

class MainModel;

class SidePane : public Common::Mfc::Window
{
public:
    explicit SidePane(MainModel& model);
    ~SidePane() override;

    void Create(HWND parent, const RECT& rect);
    // The pane takes the size of the capture-settings page at that DPI (the
    // window moved to a monitor of another scale).
    void SetDpi(UINT dpi);

    // The page of the selected processor, null when it has none or it has
    // been destroyed (for tests and the main window's repaint).
    HWND GetPageWindow() const;
    ControlPanel& GetControlPanel() { return controlPanel_; }
    CameraPage& GetCameraPage() { return cameraPage_; }
    HeaderPanel& GetHeader() { return header_; }

protected:
    bool OnSize(UINT type, int width, int height) override;
    bool OnDestroy() override;
    void OnPropertyChanged(std::int32_t id) override;

private:
    void OnProcessorChanged();
    void ShowPage();
    void Layout();

    MainModel& model_;
    bool registered_ = false;
    HeaderPanel header_;
    ControlPanel controlPanel_;
    CameraPage cameraPage_;
    // The processor's page, replaced on every processor change. The page and
    // the object behind it belong to the processor, which may destroy both in
    // its Terminate before the notification of the change arrives here: only
    // the handle is kept, and it is used only while it is a window of this
    // pane (GetPageWindow).
    HWND pageWindow_ = nullptr;
    // The capture-settings page's size when it was made, and the DPI then.
    SIZE naturalSize_ = {0, 0};
    UINT createdDpi_ = USER_DEFAULT_SCREEN_DPI;
};

} // namespace TavixCapture
