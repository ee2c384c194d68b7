// The main window of a model over the fake cameras, shown on the screen, for
// the window suites.
#pragma once

#include "support/Desktop.h"
#include "support/FakeCameras.h"
#include "ui/MainWindow.h"

#include <memory>
#include <string>

namespace TestSupport
{

class MainWindowFixture : public FakeCameraTest
{
protected:
    // Shows the window of the model made so far, or of a new one.
    void Open()
    {
        if (!model)
        {
            MakeModel();
        }
        window = std::make_unique<TavixCapture::MainWindow>(model.get(), TavixCapture::StartupOptions{});
        window->Create(nullptr);
        ShowWindow(window->GetSafeHwnd(), SW_SHOW);
        Settle();
    }
    void Close()
    {
        window.reset();
        Pump();
    }
    void TearDown() override
    {
        Close();
        model.reset();
    }
    HWND Item(int id) const { return GetDlgItem(window->GetSafeHwnd(), id); }
    std::wstring Pane(int index) { return window->GetStatusBar().GetPaneText(index); }

    std::unique_ptr<TavixCapture::MainWindow> window;
};

} // namespace TestSupport
