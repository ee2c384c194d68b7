// The window layer on its own: dialogs from the program's templates with
// the lists that come with them, notifications reaching the one handler,
// and errors out of handlers reaching the reporter instead of the platform.
#include "UiFixture.h"

#include "Common/Exception.h"
#include "Common/ui/ComboBox.h"
#include "Common/ui/Dialog.h"
#include "Common/ui/StatusBar.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

class Page : public Common::Mfc::Dialog
{
public:
    Page() : Dialog(IDD_CONTROLPANEL) {}
    std::vector<std::int32_t> notified;
    bool failOnCommand = false;

protected:
    void OnPropertyChanged(std::int32_t id) override { notified.push_back(id); }
    bool OnCommand(int id, int code, HWND control) override
    {
        if (failOnCommand && id == IDC_SNAP)
        {
            throw Common::Exception(L"押せません");
        }
        return Dialog::OnCommand(id, code, control);
    }
};

class WindowLayerTest : public testing::Test
{
protected:
    void TearDown() override { Common::Mfc::Window::SetExceptionReporter({}); }
    UiTest::HostWindow host{400, 600};
};

} // namespace

TEST_F(WindowLayerTest, ChildDialogGetsTheListsOfItsTemplateInOrder)
{
    Page page;
    page.Create(host.GetSafeHwnd());
    Common::Mfc::ComboBox target;
    target.AttachItem(page, IDC_SAVE_TARGET);
    ASSERT_EQ(target.GetCount(), 2);
    EXPECT_EQ(target.GetItemText(0), L"Snapされたフレーム");
    EXPECT_EQ(target.GetItemText(1), L"全フレーム");
    Common::Mfc::ComboBox format;
    format.AttachItem(page, IDC_FILE_FORMAT);
    const std::vector<std::wstring> formats = {L"ビットマップ", L"JPEG", L"PNG",           L"TIFF",
                                               L"AVI (非圧縮)", L"WMV",  L"MPEG-4 (H.264)"};
    ASSERT_EQ(format.GetCount(), static_cast<int>(formats.size()));
    for (std::size_t i = 0; i < formats.size(); ++i)
    {
        EXPECT_EQ(format.GetItemText(static_cast<int>(i)), formats[i]);
    }
    page.DestroyWindow();
    EXPECT_EQ(page.GetSafeHwnd(), nullptr);
}

TEST_F(WindowLayerTest, NotificationsReachTheHandlerInPostingOrder)
{
    Page page;
    page.Create(host.GetSafeHwnd());
    for (const int id : {6, 3, 21})
    {
        PostMessageW(page.GetSafeHwnd(), Common::Mfc::Window::PropertyChangedMessage, 0, id);
    }
    UiTest::Pump();
    EXPECT_EQ(page.notified, (std::vector<std::int32_t>{6, 3, 21}));
}

TEST_F(WindowLayerTest, AnErrorInAHandlerGoesToTheReporterAndTheWindowCarriesOn)
{
    std::vector<std::wstring> reported;
    Common::Mfc::Window::SetExceptionReporter(
        [&reported](HWND, std::exception_ptr error)
        {
            try
            {
                std::rethrow_exception(error);
            }
            catch (const Common::Exception& exception)
            {
                reported.push_back(exception.Message);
            }
        });
    Page page;
    page.Create(host.GetSafeHwnd());
    page.failOnCommand = true;
    SendMessageW(page.GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(IDC_SNAP, BN_CLICKED), 0);
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported.front(), L"押せません");
    PostMessageW(page.GetSafeHwnd(), Common::Mfc::Window::PropertyChangedMessage, 0, 7);
    UiTest::Pump();
    EXPECT_EQ(page.notified, (std::vector<std::int32_t>{7}));
}

TEST_F(WindowLayerTest, StatusBarPanesAndTexts)
{
    Page page;
    page.Create(host.GetSafeHwnd());
    Common::Mfc::StatusBar bar;
    bar.Create(page.GetSafeHwnd());
    bar.SetPanes({200, 200, 200});
    EXPECT_EQ(bar.GetPaneCount(), 3);
    bar.SetPaneText(1, L"X = 1, Y = 2");
    EXPECT_EQ(bar.GetPaneText(1), L"X = 1, Y = 2");
    EXPECT_EQ(bar.GetPaneText(0), L"");
    page.DestroyWindow();
    EXPECT_EQ(bar.GetSafeHwnd(), nullptr) << "the bar went with its parent";
}
