#include "PanelFixture.h"

#include "app/ErrorBox.h"

#include <commctrl.h>

NotificationCounter::NotificationCounter(TavixCapture::MainModel& model) : model_(model)
{
    CreateEx(0, L"TavixTestCounter", L"", 0, RECT{0, 0, 0, 0}, HWND_MESSAGE, 0);
    model_.AddListener(this);
}

NotificationCounter::~NotificationCounter()
{
    model_.RemoveListener(this);
    DestroyWindow();
}

void NotificationCounter::OnPropertyChanged(std::int32_t id)
{
    if (id >= 0 && static_cast<std::size_t>(id) < counts_.size())
    {
        ++counts_[static_cast<std::size_t>(id)];
    }
}

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
    counter.reset();
    TestSupport::Settle();
    model.reset();
    Common::Mfc::Window::SetExceptionReporter(nullptr);
}

void PanelTestBase::Open(TavixCapture::CaptureBackendFactory factory, std::int32_t captureApiFamily)
{
    MakeModel(std::move(factory), captureApiFamily);
    counter = std::make_unique<NotificationCounter>(*model);
    host = std::make_unique<TestSupport::HostWindow>(0, 0);
    sidePane = std::make_unique<TavixCapture::SidePane>(*model);
    sidePane->Create(host->GetSafeHwnd(), RECT{0, 0, 0, 0});
    const RECT pane = sidePane->GetWindowRect();
    host->MoveWindow(0, 0, pane.right - pane.left, pane.bottom - pane.top);
    sidePane->Show(SW_SHOW);
    TestSupport::Settle();
}

std::wstring PanelTestBase::TextOf(int id) const
{
    wchar_t text[256] = {};
    GetWindowTextW(Item(id), text, 256);
    return text;
}

std::pair<int, int> PanelTestBase::SpinRange(int id) const
{
    int lower = 0;
    int upper = 0;
    SendMessageW(Item(id), UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lower),
                 reinterpret_cast<LPARAM>(&upper));
    return {lower, upper};
}
