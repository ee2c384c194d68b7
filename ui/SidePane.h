// TavixCapture::SidePane: the panel on the right of the main window that
// holds the settings pages. The main window creates it hidden with an empty
// rectangle; it takes the natural size of the capture-settings page, whose
// width the main window's layout uses. The main window shows and hides it.
// UI thread.
#pragma once

#include "Common/ui/Dialog.h"
#include "Common/ui/Window.h"

namespace TavixCapture
{

class MainModel;

class SidePane : public Common::Mfc::Window
{
public:
    explicit SidePane(MainModel& model);
    ~SidePane() override;

    void Create(HWND parent, const RECT& rect);

protected:
    bool OnSize(UINT type, int width, int height) override;

private:
    void Layout();

    MainModel& model_;
    Common::Mfc::Dialog controlPanel_;
};

} // namespace TavixCapture
