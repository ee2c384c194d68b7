// The side pane with a processor that offers a settings page: the header
// with the processor's name, the page rule, and the fall-back to the capture
// settings; real clicks, read back from the windows and the screen.
#include "PanelFixture.h"

#include "Common/ComPointer.h"
#include "resources/resource.h"

#include <wincodec.h>

#include <cstring>
#include <vector>

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

TEST_F(SidePaneTest, APageItsProcessorHasDestroyedIsNeverUsed)
{
    OpenWithPlugin();
    model->SelectProcessor(1);
    Settle();
    ClickCentre(HeaderItem(IDC_PAGE_PROCESSOR));
    ASSERT_NE(sidePane->GetPageWindow(), nullptr);

    // The processor's Terminate destroys its page; the pane is laid out
    // before the notification of the change arrives.
    model->SelectProcessor(0);
    const RECT pane = sidePane->GetClientRect();
    sidePane->MoveWindow(0, 0, pane.right, pane.bottom - 1);
    EXPECT_EQ(sidePane->GetPageWindow(), nullptr);
    EXPECT_EQ(PanelTop(), 0);
    EXPECT_FALSE(sidePane->GetHeader().IsVisible());

    Settle();
    EXPECT_EQ(model->GetControlPanelPage(), 0);
    EXPECT_TRUE(Panel().IsVisible());
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

namespace
{
// Writes the screen rectangle of `window` as a PNG file through the imaging
// component.
void SaveWindowImage(HWND window, const std::wstring& path)
{
    RECT rect = {};
    ASSERT_TRUE(GetWindowRect(window, &rect));
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(bitmap, nullptr);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    EXPECT_TRUE(BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY));
    GdiFlush();
    std::memcpy(pixels.data(), bits, pixels.size() * 4);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    Common::ComPointer<IWICImagingFactory> factory;
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                              IID_PPV_ARGS(factory.Put())));
    Common::ComPointer<IWICStream> stream;
    ASSERT_HRESULT_SUCCEEDED(factory->CreateStream(stream.Put()));
    ASSERT_HRESULT_SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE));
    Common::ComPointer<IWICBitmapEncoder> encoder;
    ASSERT_HRESULT_SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Put()));
    ASSERT_HRESULT_SUCCEEDED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache));
    Common::ComPointer<IWICBitmapFrameEncode> frame;
    ASSERT_HRESULT_SUCCEEDED(encoder->CreateNewFrame(frame.Put(), nullptr));
    ASSERT_HRESULT_SUCCEEDED(frame->Initialize(nullptr));
    ASSERT_HRESULT_SUCCEEDED(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height)));
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
    ASSERT_HRESULT_SUCCEEDED(frame->SetPixelFormat(&format));
    ASSERT_HRESULT_SUCCEEDED(frame->WritePixels(static_cast<UINT>(height), static_cast<UINT>(width) * 4,
                                                static_cast<UINT>(pixels.size() * 4),
                                                reinterpret_cast<BYTE*>(pixels.data())));
    ASSERT_HRESULT_SUCCEEDED(frame->Commit());
    ASSERT_HRESULT_SUCCEEDED(encoder->Commit());
}
} // namespace

// With TAVIX_SCREENSHOTS naming a folder, the side pane on both pages is
// saved there as images for the documentation.
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
    model->SelectProcessor(1);
    Settle();
    const std::wstring folderPath = std::wstring(target) + L"\\";
    SaveWindowImage(sidePane->GetSafeHwnd(), folderPath + L"side-pane-capture-settings.png");
    ClickCentre(HeaderItem(IDC_PAGE_PROCESSOR));
    Settle();
    SaveWindowImage(sidePane->GetSafeHwnd(), folderPath + L"side-pane-processor-page.png");
}
