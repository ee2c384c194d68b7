// A plug-in's settings page is a window of the plug-in's own copy of the
// window layer: its own WM_APP messages reach it, and its errors go to the
// program's error box like the program's own.
#include "PanelFixture.h"

#include "Common/ui/ErrorReporter.h"
#include "app/ErrorBox.h"
#include "support/ProgramProcess.h"
#include "support/ScreenShot.h"

#include <string>
#include <vector>

using namespace TestSupport;

TEST_F(PanelTestBase, APluginPagesOwnAppMessageReachesItAndItsErrorsGoToTheProgramsBox)
{
    ASSERT_TRUE(CopyFileW((TestBinaryFolder() + L"controlsplugins\\pageplugin.dll").c_str(),
                          folder.File(L"TavixPageTest.dll").c_str(), FALSE));
    profile.WriteString(L"Settings", L"ProcessorName", L"ページ試験");
    profile.WriteInt(L"Settings", L"ControlPanelPage", 1);
    Open();
    const HWND page = sidePane->GetPageWindow();
    ASSERT_NE(page, nullptr);
    RECT client = {};
    GetClientRect(page, &client);
    const POINT centre = {client.right / 2, client.bottom / 2};
    ASSERT_EQ(ScreenPixel(page, centre), 0xFF00FFu);

    PostMessageW(page, WM_APP, 0, 0);
    Settle();
    EXPECT_EQ(ScreenPixel(page, centre), 0x00FFFFu) << "the page's WM_APP did not reach it";

    std::vector<std::wstring> shown;
    Common::Mfc::ErrorReporter::SetPresenter(
        [&](HWND, const std::exception_ptr& error)
        { shown.push_back(TavixCapture::ErrorBox::ComposeText(error, true)); });
    PostMessageW(page, WM_APP + 1, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !shown.empty(); }));
    ASSERT_EQ(shown.size(), 1u);
    // The program's text, with the plug-in's source location in debug mode.
    EXPECT_EQ(shown[0].rfind(L"ページの処理に失敗しました。PagePlugin(", 0), 0u);
}
