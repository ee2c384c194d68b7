#include "PanelFixture.h"

#include "app/ErrorBox.h"

#include <commctrl.h>

#include <algorithm>

PanelTestBase::PanelTestBase()
{
    // Errors out of window handlers go to the program's error box, as the
    // main window arranges.
    Common::Mfc::Window::SetExceptionReporter([](HWND owner, std::exception_ptr error)
                                              { TavixCapture::ErrorBox::Show(owner, error, false); });
}

PanelTestBase::~PanelTestBase()
{
    sidePane.reset();
    host.reset();
    if (model)
    {
        model->RemoveListener(&listener);
    }
    TestSupport::Settle();
    model.reset();
    Common::Mfc::Window::SetExceptionReporter(nullptr);
}

void PanelTestBase::Open(TavixCapture::CaptureBackendFactory factory, std::int32_t captureApiFamily)
{
    MakeModel(std::move(factory), captureApiFamily);
    model->AddListener(&listener);
    host = std::make_unique<TestSupport::HostWindow>(0, 0);
    sidePane = std::make_unique<TavixCapture::SidePane>(*model);
    sidePane->Create(host->GetSafeHwnd(), RECT{0, 0, 0, 0});
    const RECT pane = sidePane->GetWindowRect();
    host->MoveWindow(0, 0, pane.right - pane.left, pane.bottom - pane.top);
    sidePane->Show(SW_SHOW);
    TestSupport::Settle();
}

int PanelTestBase::Notified(TavixCapture::PropertyId id)
{
    const Ids ids = listener.Drain();
    return static_cast<int>(std::count(ids.begin(), ids.end(), id));
}

std::pair<int, int> PanelTestBase::SpinRange(int id) const
{
    int lower = 0;
    int upper = 0;
    SendMessageW(Item(id), UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lower),
                 reinterpret_cast<LPARAM>(&upper));
    return {lower, upper};
}
