// What the side-pane tests share: the model over the fake cameras, a real
// SidePane shown at the screen's corner, and a listener that counts the
// model's notifications.
#pragma once

#include "support/Desktop.h"
#include "support/FakeCameraTest.h"
#include "support/HostWindow.h"
#include "ui/SidePane.h"

#include <array>
#include <memory>
#include <string>
#include <utility>

// Counts the notifications of one model, by property id.
class NotificationCounter : public Common::Mfc::Window
{
public:
    explicit NotificationCounter(TavixCapture::MainModel& model);
    ~NotificationCounter() override;
    int Count(TavixCapture::PropertyId id) const { return counts_[static_cast<std::size_t>(id)]; }
    void Reset() { counts_.fill(0); }

protected:
    void OnPropertyChanged(std::int32_t id) override;

private:
    TavixCapture::MainModel& model_;
    std::array<int, 22> counts_ = {};
};

class PanelTestBase : public TestSupport::FakeCameraTest
{
protected:
    PanelTestBase();
    ~PanelTestBase() override;

    // Builds the model (see MakeModel) and shows the side pane, filled by the
    // notifications of registration.
    void Open(TavixCapture::CaptureBackendFactory factory = nullptr, std::int32_t captureApiFamily = 0);
    HWND Item(int id) const { return GetDlgItem(sidePane->GetControlPanel().GetSafeHwnd(), id); }
    std::wstring TextOf(int id) const;
    bool Enabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }
    bool Checked(int id) const { return SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    int Selection(int id) const { return static_cast<int>(SendMessageW(Item(id), CB_GETCURSEL, 0, 0)); }
    // The range of a spin control.
    std::pair<int, int> SpinRange(int id) const;

    std::unique_ptr<NotificationCounter> counter;
    std::unique_ptr<TestSupport::HostWindow> host;
    std::unique_ptr<TavixCapture::SidePane> sidePane;
};
