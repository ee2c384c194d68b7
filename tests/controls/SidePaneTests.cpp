// The side pane with a processor that offers a settings page: the header
// with the processor's name, the page rule, and the fall-back to the capture
// settings; real clicks, read back from the windows and the screen.
#include "PanelFixture.h"

#include "resources/resource.h"
#include "support/ProgramProcess.h"
#include "support/ScreenShot.h"

#include <cstring>

using namespace TestSupport;
using TavixCapture::PropertyId;

class SidePaneTest : public PanelTestBase
{
protected:
    // The model finds the test plug-in ("ページ試験" and "ページ試験2" with a
    // page, "ページなし試験" without) beside it under a name it loads.
    void CopyPlugin()
    {
        ASSERT_TRUE(CopyFileW((TestBinaryFolder() + L"controlsplugins\\pageplugin.dll").c_str(),
                              folder.File(L"TavixPageTest.dll").c_str(), FALSE));
    }
    void OpenWithPlugin()
    {
        CopyPlugin();
        Open();
        ASSERT_EQ(model->GetProcessorEntries().size(), 4u);
    }
    HWND HeaderItem(int id) const { return GetDlgItem(sidePane->GetHeader().GetSafeHwnd(), id); }
    bool Pushed(int id) const { return IsChecked(HeaderItem(id)); }
    const TavixCapture::ControlPanel& Panel() const { return sidePane->GetControlPanel(); }
    // The top of the capture-settings page in the side pane.
    int PanelTop() const { return Panel().GetRectInParent().top; }
    int HeaderHeight() const
    {
        const RECT header = sidePane->GetHeader().GetWindowRect();
        return header.bottom - header.top;
    }
    // The capture settings, below a header without the processor's button.
    void ExpectSettingsOnly()
    {
        EXPECT_EQ(model->GetControlPanelPage(), 0);
        EXPECT_EQ(sidePane->GetPageWindow(), nullptr);
        EXPECT_TRUE(sidePane->GetHeader().IsVisible());
        EXPECT_FALSE(IsWindowVisible(HeaderItem(IDC_PAGE_PROCESSOR)));
        EXPECT_TRUE(Panel().IsVisible());
        EXPECT_EQ(PanelTop(), HeaderHeight());
    }
};

TEST_F(SidePaneTest, WithoutAPageTheHeaderHasNoProcessorButtonAndTheCameraPageIsThere)
{
    profile.WriteInt(L"Settings", L"ControlPanelPage", 1);
    Open();
    ExpectSettingsOnly(); // a saved page 1 without a page falls back to 0
    // The pane has the natural size of the header and the capture-settings page.
    const RECT pane = sidePane->GetClientRect();
    const RECT panel = Panel().GetWindowRect();
    EXPECT_EQ(pane.right, panel.right - panel.left);
    EXPECT_EQ(pane.bottom, panel.bottom - panel.top + HeaderHeight());

    ClickCentre(HeaderItem(IDC_PAGE_CAMERA));
    EXPECT_EQ(model->GetControlPanelPage(), 2);
    EXPECT_TRUE(sidePane->GetCameraPage().IsVisible());
    EXPECT_FALSE(Panel().IsVisible());
    EXPECT_TRUE(Pushed(IDC_PAGE_CAMERA));
    EXPECT_FALSE(Pushed(IDC_PAGE_CAPTURE));
    // The fake cameras have no settings: the page says so.
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(sidePane->GetCameraPage().GetSafeHwnd(), IDC_CAMERA_NONE)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(sidePane->GetCameraPage().GetSafeHwnd(), IDC_CAMERA_DEFAULTS)));
}

TEST_F(SidePaneTest, SavedPageIsShownAtStartAndTheHeaderSwitchesBetweenThePages)
{
    CopyPlugin();
    profile.WriteString(L"Settings", L"ProcessorName", L"ページ試験");
    profile.WriteInt(L"Settings", L"ControlPanelPage", 1);
    Open();
    const HWND page = sidePane->GetPageWindow();
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(sidePane->GetHeader().IsVisible());
    EXPECT_EQ(TestSupport::TextOf(HeaderItem(IDC_PAGE_PROCESSOR)), L"ページ試験");
    EXPECT_EQ(PanelTop(), HeaderHeight()) << "the pages start below the header";
    EXPECT_EQ(model->GetControlPanelPage(), 1);
    EXPECT_TRUE(IsWindowVisible(page));
    EXPECT_FALSE(Panel().IsVisible());
    EXPECT_FALSE(Pushed(IDC_PAGE_CAPTURE));
    EXPECT_TRUE(Pushed(IDC_PAGE_PROCESSOR));
    RECT pageRect = {};
    GetClientRect(page, &pageRect);
    EXPECT_EQ(ScreenPixel(page, {pageRect.right / 2, pageRect.bottom / 2}), 0xFF00FFu) << "the page's colour";
    POINT pageTop = {0, 0};
    MapWindowPoints(page, sidePane->GetSafeHwnd(), &pageTop, 1);
    EXPECT_EQ(pageTop.y, HeaderHeight());

    // The pushed button again: nothing changes, nothing is raised.
    listener.Drain();
    ClickCentre(HeaderItem(IDC_PAGE_PROCESSOR));
    EXPECT_EQ(Notified(PropertyId::ControlPanelPage), 0);
    EXPECT_TRUE(Pushed(IDC_PAGE_PROCESSOR));

    ClickCentre(HeaderItem(IDC_PAGE_CAPTURE));
    EXPECT_EQ(model->GetControlPanelPage(), 0);
    EXPECT_TRUE(Panel().IsVisible());
    EXPECT_FALSE(IsWindowVisible(page));
    EXPECT_TRUE(Pushed(IDC_PAGE_CAPTURE));
    EXPECT_FALSE(Pushed(IDC_PAGE_PROCESSOR));

    ClickCentre(HeaderItem(IDC_PAGE_PROCESSOR));
    EXPECT_EQ(model->GetControlPanelPage(), 1);
    EXPECT_TRUE(IsWindowVisible(page));
    EXPECT_FALSE(Panel().IsVisible());
}

// A processor without a page chosen while the page shows: the old
// processor's Terminate destroys its page (and the test plug-in overwrites
// what held it); the pane, laid out before the notification of the change
// arrives, never uses it, and returns to the capture settings.
TEST_F(SidePaneTest, APageItsProcessorHasDestroyedIsNeverUsed)
{
    OpenWithPlugin();
    for (const int withoutPage : {0, 3}) // "なし", then the plug-in's processor without a page
    {
        SCOPED_TRACE(withoutPage);
        model->SelectProcessor(1);
        Settle();
        ClickCentre(HeaderItem(IDC_PAGE_PROCESSOR));
        ASSERT_EQ(model->GetControlPanelPage(), 1);
        ASSERT_NE(sidePane->GetPageWindow(), nullptr);

        model->SelectProcessor(withoutPage);
        const RECT pane = sidePane->GetClientRect();
        sidePane->MoveWindow(0, 0, pane.right, pane.bottom - 1);
        EXPECT_EQ(sidePane->GetPageWindow(), nullptr);
        EXPECT_FALSE(IsWindowVisible(HeaderItem(IDC_PAGE_PROCESSOR)));

        Settle();
        ExpectSettingsOnly();
    }
}

// From one processor's page to another's while the processor page shows:
// the new page takes the old one's place, below the header with the new name.
TEST_F(SidePaneTest, SwitchingBetweenTwoProcessorsWithPagesShowsTheNewPage)
{
    OpenWithPlugin();
    model->SelectProcessor(1);
    Settle();
    ClickCentre(HeaderItem(IDC_PAGE_PROCESSOR));
    ASSERT_EQ(model->GetControlPanelPage(), 1);
    const auto centreColour = [this]
    {
        const RECT pane = sidePane->GetClientRect();
        return ScreenPixel(sidePane->GetSafeHwnd(), {pane.right / 2, (pane.bottom + HeaderHeight()) / 2});
    };
    EXPECT_EQ(centreColour(), 0xFF00FFu);

    model->SelectProcessor(2);
    Settle();
    const HWND page = sidePane->GetPageWindow();
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(IsWindowVisible(page));
    EXPECT_FALSE(Panel().IsVisible());
    EXPECT_EQ(model->GetControlPanelPage(), 1);
    EXPECT_EQ(TestSupport::TextOf(HeaderItem(IDC_PAGE_PROCESSOR)), L"ページ試験2");
    EXPECT_TRUE(Pushed(IDC_PAGE_PROCESSOR));
    EXPECT_EQ(centreColour(), 0xFFFF00u) << "the new processor's page";

    // And back: the first page again, made anew by its processor.
    model->SelectProcessor(1);
    Settle();
    EXPECT_EQ(centreColour(), 0xFF00FFu);
}

// With TAVIX_SCREENSHOTS naming a folder, the side pane on both pages is
// saved there as PNG images for the documentation.
TEST_F(SidePaneTest, ScreenshotsOfBothPages)
{
    wchar_t target[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"TAVIX_SCREENSHOTS", target, MAX_PATH) == 0)
    {
        GTEST_SKIP() << "TAVIX_SCREENSHOTS is not set";
    }
    OpenWithPlugin();
    model->SetIsMarkerVisible(true);
    model->SetMarkerColor(RGB(255, 0, 0));
    model->SetFileFormat(2);
    Settle();
    const auto save = [&](const std::wstring& name)
    {
        const ScreenShot shot = ShootClient(sidePane->GetSafeHwnd());
        Common::FrameBuffer frame;
        frame.Resize(shot.Width(), shot.Height());
        for (int i = 0; i < shot.Width() * shot.Height(); ++i)
        {
            const std::uint32_t pixel = 0xFF000000u | shot.At(i % shot.Width(), i / shot.Width());
            std::memcpy(&frame.pixels[i * 4u], &pixel, 4);
        }
        const std::wstring path = std::wstring(target) + L"\\" + name;
        model->SaveFrame(frame, path);
        EXPECT_NE(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
    };
    save(L"side-pane-capture-settings.png");
    model->SelectProcessor(1);
    Settle();
    ClickCentre(HeaderItem(IDC_PAGE_PROCESSOR));
    save(L"side-pane-processor-page.png");
}
