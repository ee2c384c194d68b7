// TavixCapture::HeaderPanel: the strip of page buttons at the top of the
// side pane (dialog template 132): "取り込み設定" for the capture settings
// (page 0), "カメラ設定" for the camera's settings (page 2) and the selected
// processor's name for its page (page 1), shown only while there is such a
// page. The button of the model's ControlPanelPage is the pushed one; a
// click only writes the model. UI thread.
#pragma once

#include "Common/ui/Button.h"
#include "Common/ui/Dialog.h"

#include <cstdint>

namespace TavixCapture
{

class MainModel;

class HeaderPanel : public Common::Mfc::Dialog
{
public:
    explicit HeaderPanel(MainModel& model);
    ~HeaderPanel() override;

    // Shows or hides the button of the processor's page.
    void ShowProcessorPage(bool show);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override {}
    bool OnCommand(int id, int code, HWND control) override;
    bool OnDestroy() override;
    void OnPropertyChanged(std::int32_t id) override;

private:
    MainModel& model_;
    bool registered_ = false;
    Common::Mfc::Button capturePage_;
    Common::Mfc::Button processorPage_;
    Common::Mfc::Button cameraPage_;
};

} // namespace TavixCapture
