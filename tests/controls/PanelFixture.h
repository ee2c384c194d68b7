// What the side-pane tests share: the model over the fake cameras, a real
// SidePane shown at the screen's corner, and a listener that keeps the
// model's notifications.
#pragma once

#include "support/Desktop.h"
#include "support/FakeCameras.h"
#include "support/HostWindow.h"
#include "support/NotifiedWindow.h"
#include "ui/SidePane.h"

#include <memory>
#include <string>
#include <utility>

class PanelTestBase : public TestSupport::FakeCameraTest
{
protected:
    PanelTestBase();
    ~PanelTestBase() override;

    // Builds the model (see MakeModel) and shows the side pane, filled by the
    // notifications of registration.
    void Open(TavixCapture::CaptureBackendFactory factory = nullptr, std::int32_t captureApiFamily = 0);
    // How many notifications of `id` came since the last call.
    int Notified(TavixCapture::PropertyId id);
    HWND Item(int id) const { return GetDlgItem(sidePane->GetControlPanel().GetSafeHwnd(), id); }
    std::wstring TextOf(int id) const { return TestSupport::TextOf(Item(id)); }
    bool Enabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }
    bool Checked(int id) const { return TestSupport::IsChecked(Item(id)); }
    int Selection(int id) const { return static_cast<int>(SendMessageW(Item(id), CB_GETCURSEL, 0, 0)); }
    // The range of a spin control.
    std::pair<int, int> SpinRange(int id) const;

    NotifiedWindow listener;
    std::unique_ptr<TestSupport::HostWindow> host;
    std::unique_ptr<TavixCapture::SidePane> sidePane;
};
