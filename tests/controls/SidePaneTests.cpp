// The side pane with a processor that offers a settings page: the header
// with the processor's name, the page rule, and the fall-back to the capture
// settings; real clicks, read back from the windows and the screen.
#include "PanelFixture.h"

#include "resources/resource.h"

using PanelTest::ClickCentre;
using PanelTest::PumpUntil;
using PanelTest::Settle;
using TavixCapture::PropertyId;

namespace
{
std::wstring ProgramFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring text = path;
    return text.substr(0, text.find_last_of(L"\\/") + 1);
}

constexpr std::uint32_t PageColor = 0xFF00FF;
} // namespace

class SidePaneTest : public PanelTestBase
{
protected:
    // The model finds the test plug-in beside it under a name it loads.
    void OpenWithPlugin()
    {
        ASSERT_TRUE(CopyFileW((ProgramFolder() + L"controlsplugins\\pageplugin.dll").c_str(),
                              folder.File(L"TavixPageTest.dll").c_str(), FALSE));
        Open();
        ASSERT_EQ(model->GetProcessorEntries().size(), 3u);
    }
    HWND HeaderItem(int id) const { return GetDlgItem(sidePane->GetHeader().GetSafeHwnd(), id); }
    bool Pushed(int id) const { return SendMessageW(HeaderItem(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    // The top of the capture-settings page in the side pane.
    int PanelTop() const { return Panel().GetRectInParent().top; }
    const TavixCapture::ControlPanel& Panel() const { return sidePane->GetControlPanel(); }
};

TEST_F(SidePaneTest, WithoutAPageTheHeaderIsHiddenAndTheSettingsStartAtTheTop)
{
    profile.WriteInt(L"Settings", L"ControlPanelPage", 1);
    Open();
    EXPECT_EQ(sidePane->GetPageWindow(), nullptr);
    EXPECT_FALSE(sidePane->GetHeader().IsVisible());
    EXPECT_TRUE(Panel().IsVisible());
    EXPECT_EQ(PanelTop(), 0);
    EXPECT_EQ(model->GetControlPanelPage(), 0) << "a saved page 1 without a page falls back to 0";
    // The pane has the natural size of the capture-settings page.
    const RECT pane = sidePane->GetClientRect();
    const RECT panel = Panel().GetWindowRect();
    EXPECT_EQ(pane.right, panel.right - panel.left);
    EXPECT_EQ(pane.bottom, panel.bottom - panel.top);
}

TEST_F(SidePaneTest, HeaderSwitchesBetweenTheSettingsAndTheProcessorsPage)
{
    OpenWithPlugin();
    model->SelectProcessor(1);
    Settle();
    const HWND page = sidePane->GetPageWindow();
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(sidePane->GetHeader().IsVisible());
    wchar_t caption[64] = {};
    GetWindowTextW(HeaderItem(IDC_PAGE_PROCESSOR), caption, 64);
    EXPECT_EQ(std::wstring(caption), L"ページ試験");
    const RECT header = sidePane->GetHeader().GetWindowRect();
    EXPECT_EQ(PanelTop(), header.bottom - header.top) << "the pages start below the header";
    EXPECT_TRUE(Pushed(IDC_PAGE_CAPTURE));
    EXPECT_FALSE(Pushed(IDC_PAGE_PROCESSOR));
    EXPECT_FALSE(IsWindowVisible(page));

    ClickCentre(HeaderItem(IDC_PAGE_PROCESSOR));
    EXPECT_EQ(model->GetControlPanelPage(), 1);
    EXPECT_TRUE(IsWindowVisible(page));
    EXPECT_FALSE(Panel().IsVisible());
    EXPECT_FALSE(Pushed(IDC_PAGE_CAPTURE));
    EXPECT_TRUE(Pushed(IDC_PAGE_PROCESSOR));
    RECT pageRect = {};
    GetClientRect(page, &pageRect);
    EXPECT_EQ(PanelTest::ScreenPixel(page, {pageRect.right / 2, pageRect.bottom / 2}), PageColor);
    POINT pageTop = {0, 0};
    MapWindowPoints(page, sidePane->GetSafeHwnd(), &pageTop, 1);
    EXPECT_EQ(pageTop.y, header.bottom - header.top);

    // The pushed button again: nothing changes, nothing is raised.
    counter->Reset();
    ClickCentre(HeaderItem(IDC_PAGE_PROCESSOR));
    Settle();
    EXPECT_EQ(counter->Count(PropertyId::ControlPanelPage), 0);
    EXPECT_TRUE(Pushed(IDC_PAGE_PROCESSOR));

    ClickCentre(HeaderItem(IDC_PAGE_CAPTURE));
    EXPECT_EQ(model->GetControlPanelPage(), 0);
    EXPECT_TRUE(Panel().IsVisible());
    EXPECT_FALSE(IsWindowVisible(page));
    EXPECT_TRUE(Pushed(IDC_PAGE_CAPTURE));
}

TEST_F(SidePaneTest, ChoosingAProcessorWithoutAPageOnPageOneReturnsToTheSettings)
{
    OpenWithPlugin();
    for (const int withoutPage : {0, 2}) // "なし", then the plug-in's processor without a page
    {
        SCOPED_TRACE(withoutPage);
        model->SelectProcessor(1);
        Settle();
        ClickCentre(HeaderItem(IDC_PAGE_PROCESSOR));
        ASSERT_EQ(model->GetControlPanelPage(), 1);

        model->SelectProcessor(withoutPage);
        Settle();
        EXPECT_EQ(model->GetControlPanelPage(), 0);
        EXPECT_EQ(sidePane->GetPageWindow(), nullptr);
        EXPECT_FALSE(sidePane->GetHeader().IsVisible());
        EXPECT_TRUE(Panel().IsVisible());
        EXPECT_EQ(PanelTop(), 0);
    }
}

TEST_F(SidePaneTest, SavedPageOfAProcessorWithAPageIsShownAtStart)
{
    ASSERT_TRUE(CopyFileW((ProgramFolder() + L"controlsplugins\\pageplugin.dll").c_str(),
                          folder.File(L"TavixPageTest.dll").c_str(), FALSE));
    profile.WriteString(L"Settings", L"ProcessorName", L"ページ試験");
    profile.WriteInt(L"Settings", L"ControlPanelPage", 1);
    Open();
    const HWND page = sidePane->GetPageWindow();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(model->GetControlPanelPage(), 1);
    EXPECT_TRUE(IsWindowVisible(page));
    EXPECT_FALSE(Panel().IsVisible());
    EXPECT_TRUE(Pushed(IDC_PAGE_PROCESSOR));
}
