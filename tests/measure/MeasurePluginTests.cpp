// "計測" as a user meets it: the program's model loads TavixMeasure.dll from
// its folder, the real preview shows a fake camera's frames, lines and
// rectangles are dragged over it with real mouse input, the page's controls
// are clicked and chosen, and what the page reads out and the preview shows
// (read back from the screen) is checked.
#include "support/Desktop.h"
#include "support/HostWindow.h"
#include "support/LabelsCutOff.h"
#include "support/ScreenShot.h"

#include "Common/CriticalSection.h"
#include "Common/ui/ErrorReporter.h"
#include "app/ErrorBox.h"
#include "app/MainModel.h"
#include "support/FakeCameras.h"
#include "support/FramePixels.h"
#include "ui/PreviewWindow.h"

#include "MeasureResource.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace
{

constexpr int Width = 320;
constexpr int Height = 240;

std::uint32_t Grey(int value)
{
    const auto v = static_cast<std::uint32_t>(std::clamp(value, 0, 255));
    return 0xFF000000u | v << 16 | v << 8 | v;
}

// A spot (centre 100.5, 120.5; sigma 8; 150 over 60) and a saturated block
// at x 200..219, y 40..59.
std::uint32_t Scene(int x, int y)
{
    if (x >= 200 && x < 220 && y >= 40 && y < 60)
    {
        return 0xFFFFFFFFu;
    }
    const double dx = (x + 0.5 - 100.5) / 8.0;
    const double dy = (y + 0.5 - 120.5) / 8.0;
    return Grey(static_cast<int>(std::lround(60.0 + 150.0 * std::exp(-0.5 * (dx * dx + dy * dy)))));
}

// The number that follows `label` and two spaces in the read-out; NaN when absent.
double ReadNumber(const std::wstring& text, const std::wstring& label)
{
    const std::size_t at = text.find(label + L"  ");
    if (at == std::wstring::npos)
    {
        return std::nan("");
    }
    return std::wcstod(text.c_str() + at + label.size() + 2, nullptr);
}

// The model sees one camera, "Camera 1" of the fake cameras, of Width x Height.
class MeasurePluginTest : public testing::Test, protected TestSupport::FakeCameras
{
protected:
    MeasurePluginTest() : FakeCameras({{L"YUY2", Width, Height, 30.0}}) {}

    void SetUp() override
    {
        try
        {
            Open();
        }
        catch (const Common::Exception& error)
        {
            const std::wstring text = error.GetLocatedMessage();
            FAIL() << std::string(text.begin(), text.end());
        }
    }

    void Open()
    {
        // The program loads Tavix*.dll from its own folder: here, the test's.
        ASSERT_TRUE(CopyFileW(L"TavixMeasure.dll", folder.File(L"TavixMeasure.dll").c_str(), FALSE));
        model = std::make_unique<TavixCapture::MainModel>(
            profile, [this](std::int32_t, bool, bool) { return TestSupport::MakeCapture({cam1}); }, 0, true,
            false, folder.Path());
        model->SelectProcessorByName(L"計測");
        processor = model->GetCurrentProcessor();
        ASSERT_NE(processor, nullptr);

        previewHost = std::make_unique<TestSupport::HostWindow>(Width + 2, Height + 2);
        preview = std::make_unique<TavixCapture::PreviewWindow>(*model, false);
        preview->Create(previewHost->GetSafeHwnd(), RECT{0, 0, Width + 2, Height + 2});

        // The page in a window of its own beside the preview, as the side pane holds it.
        pageHost = std::make_unique<TestSupport::HostWindow>(400, 560);
        ASSERT_TRUE(SetWindowPos(pageHost->GetSafeHwnd(), nullptr, Width + 20, 0, 0, 0,
                                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
        Common::Mfc::Window* created = nullptr;
        ASSERT_EQ(processor->CreatePage(pageHost.get(), &created), S_OK);
        ASSERT_NE(created, nullptr);
        page = created->GetSafeHwnd();
        ShowWindow(page, SW_SHOW);
        model->StartCapture();
        TestSupport::Settle();
    }

    void TearDown() override
    {
        model->StopCapture();
        preview.reset();
        previewHost.reset();
        pageHost.reset();
        model.reset();
        TestSupport::Pump();
    }

    std::wstring ItemText(int id) const
    {
        wchar_t text[256] = {};
        GetDlgItemTextW(page, id, text, 256);
        return text;
    }
    std::wstring Readout() const
    {
        wchar_t text[8192] = {};
        GetDlgItemTextW(page, IDC_MEASURE_READOUT, text, 8192);
        return text;
    }
    // Delivers the scene until the read-out says `what`: the page takes the
    // newest figures on its refresh timer, so each frame gets a few hundred
    // milliseconds of messages before the next one.
    bool MeasureUntil(const std::wstring& what)
    {
        const ULONGLONG end = GetTickCount64() + 8000;
        while (GetTickCount64() < end)
        {
            cam1->Paint(Scene);
            cam1->Deliver();
            const ULONGLONG next = GetTickCount64() + 300;
            while (GetTickCount64() < next)
            {
                TestSupport::Pump();
                if (Readout().find(what) != std::wstring::npos)
                {
                    return true;
                }
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            }
        }
        const std::wstring text = Readout();
        ADD_FAILURE() << "the read-out never showed the text; it shows:\n"
                      << std::string(text.begin(), text.end());
        return false;
    }
    // Preview client points are image pixels: at 100 % the image fills it.
    void Drag(POINT from, POINT to)
    {
        const HWND window = preview->GetSafeHwnd();
        TestSupport::MouseMove(window, from);
        TestSupport::MouseDown(window, from);
        TestSupport::MouseMove(window, {(from.x + to.x) / 2, (from.y + to.y) / 2});
        TestSupport::MouseMove(window, to);
        TestSupport::MouseUp(window, to);
    }

    std::unique_ptr<TavixCapture::MainModel> model;
    Tavix::Framework::IProcessor* processor = nullptr;
    std::unique_ptr<TestSupport::HostWindow> previewHost;
    std::unique_ptr<TavixCapture::PreviewWindow> preview;
    std::unique_ptr<TestSupport::HostWindow> pageHost;
    HWND page = nullptr;
};

} // namespace

TEST_F(MeasurePluginTest, DraggedLineGivesTheSpotsProfileFigures)
{
    ASSERT_TRUE(MeasureUntil(L"線または矩形をドラッグ"));
    // Mode "線" is the default: drag across the spot's row.
    Drag({60, 120}, {140, 120});
    ASSERT_TRUE(MeasureUntil(L"線 (輝度)"));
    const std::wstring text = Readout();
    EXPECT_NEAR(ReadNumber(text, L"長さ"), 80.0, 1.01) << std::string(text.begin(), text.end());
    // The spot lies about 40 px from the line's start; FWHM = 2.355 sigma.
    EXPECT_NEAR(ReadNumber(text, L"重心"), 40.0, 1.0);
    EXPECT_NEAR(ReadNumber(text, L"半値全幅"), 2.3548 * 8.0, 0.6);
    EXPECT_NEAR(ReadNumber(text, L"最大"), 210.0, 1.0);

    // Choosing a channel on the page changes what is measured.
    TestSupport::ChooseComboItem(GetDlgItem(page, IDC_MEASURE_CHANNEL), 0);
    ASSERT_TRUE(MeasureUntil(L"線 (赤)"));

    // The line is kept in the configuration file with the page's settings,
    // written after a short quiet time.
    const auto saved = [&](const wchar_t* key)
    { return GetPrivateProfileIntW(L"Measure", key, -1, folder.File(L"TavixCapture.ini").c_str()); };
    const ULONGLONG deadline = GetTickCount64() + 20000;
    while ((saved(L"IsLineSet") != 1 || saved(L"Channel") != 0) && GetTickCount64() < deadline)
    {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    EXPECT_EQ(saved(L"IsLineSet"), 1);
    EXPECT_EQ(saved(L"Channel"), 0);
}

TEST_F(MeasurePluginTest, DraggedRectangleGivesTheSpotsCentreAndWidthsAndCopiesThem)
{
    TestSupport::ChooseComboItem(GetDlgItem(page, IDC_MEASURE_MODE), 2); // 矩形
    Drag({70, 90}, {131, 151});
    ASSERT_TRUE(MeasureUntil(L"スポット (輝度)"));
    const std::wstring text = Readout();
    EXPECT_NEAR(ReadNumber(text, L"重心 x"), 100.5, 0.3) << std::string(text.begin(), text.end());
    EXPECT_NEAR(ReadNumber(text, L"重心 y"), 120.5, 0.3);
    EXPECT_NEAR(ReadNumber(text, L"4σ 幅 x"), 32.0, 2.0);
    EXPECT_NEAR(ReadNumber(text, L"4σ 幅 y"), 32.0, 2.0);
    // The main figures above the read-out say the same.
    EXPECT_NEAR(std::wcstod(ItemText(IDC_MEASURE_SPOT_X).c_str(), nullptr), 100.5, 0.3);
    EXPECT_NEAR(std::wcstod(ItemText(IDC_MEASURE_SPOT_WIDTH_Y).c_str(), nullptr), 32.0, 2.0);
    EXPECT_EQ(ItemText(IDC_MEASURE_SPOT_TITLE), L"スポット (輝度)");
    EXPECT_EQ(ItemText(IDC_MEASURE_SATURATION_TEXT), L"飽和: 領域 0.000 %");

    // "コピー" puts the figures on the clipboard as tab-separated text.
    TestSupport::ClickCentre(GetDlgItem(page, IDC_MEASURE_COPY));
    std::wstring copied;
    ASSERT_TRUE(TestSupport::PumpUntil(
        [&]
        {
            if (!OpenClipboard(page))
            {
                return false;
            }
            if (HANDLE data = GetClipboardData(CF_UNICODETEXT))
            {
                if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data)))
                {
                    copied = chars;
                    GlobalUnlock(data);
                }
            }
            CloseClipboard();
            return copied.find(L"重心 x\t") != std::wstring::npos;
        }));
    EXPECT_NE(copied.find(L"項目\t赤\t緑\t青\t輝度"), std::wstring::npos);
}

TEST_F(MeasurePluginTest, SaturationOverlayIsDrawnWhereThePixelsAreAndTheFrameIsUntouched)
{
    const HWND window = preview->GetSafeHwnd();
    ASSERT_TRUE(MeasureUntil(L"ドラッグ"));
    TestSupport::ScreenShot before = TestSupport::ShootClient(window);
    ASSERT_EQ(before.At(210, 50), 0xFFFFFFu); // the block, white

    TestSupport::ClickCentre(GetDlgItem(page, IDC_MEASURE_SATURATION));
    ASSERT_TRUE(MeasureUntil(L"飽和画素  400"));
    bool red = false;
    for (int attempt = 0; attempt < 20 && !red; ++attempt)
    {
        cam1->Paint(Scene);
        cam1->Deliver();
        TestSupport::Settle();
        const std::uint32_t inside = TestSupport::ShootClient(window).At(210, 50);
        red = (inside >> 16 & 0xFF) > 200 && (inside >> 8 & 0xFF) < 150 && (inside & 0xFF) < 150;
    }
    EXPECT_TRUE(red);
    const TestSupport::ScreenShot shot = TestSupport::ShootClient(window);
    // Beside the block, and far from it, the picture is as before.
    EXPECT_EQ(shot.At(222, 50), before.At(222, 50));
    EXPECT_EQ(shot.At(20, 20), before.At(20, 20));
    // The frame itself keeps its white block.
    EXPECT_EQ(TestSupport::PixelAt(TestSupport::LatestFrame(*cam1), 210, 50), 0xFFFFFFFFu);
}

// Every label, check box and button of the page shows its whole text at the
// page's own font, the figures too once they are filled ("チャンネル",
// "プロファイル表示" and "単位" were cut off under the Japanese font).
TEST_F(MeasurePluginTest, EveryLabelAndFigureFitsItsControl)
{
    TestSupport::ChooseComboItem(GetDlgItem(page, IDC_MEASURE_MODE), 2); // 矩形
    Drag({70, 90}, {131, 151});
    TestSupport::ChooseComboItem(GetDlgItem(page, IDC_MEASURE_MODE), 1); // 線
    Drag({60, 120}, {140, 120});
    TestSupport::ClickCentre(GetDlgItem(page, IDC_MEASURE_SATURATION));
    ASSERT_TRUE(MeasureUntil(L"飽和画素  400"));
    int checked = 0;
    EXPECT_EQ(TestSupport::LabelsCutOff(page, &checked), L"");
    EXPECT_GT(checked, 40);
    // The figures are filled in, not left at "—".
    EXPECT_EQ(ItemText(IDC_MEASURE_SATURATION_TEXT), L"飽和: 領域 0.000 %  画面 400 画素");
    EXPECT_NE(ItemText(IDC_MEASURE_LINE_FWHM), L"—");
    EXPECT_NE(ItemText(IDC_MEASURE_SPOT_WIDTH_X), L"—");
}

TEST_F(MeasurePluginTest, ACopyWithNothingMeasuredIsToldInTheProgramsErrorBox)
{
    // The page's errors go to the program's reporter, like the program's own.
    std::vector<std::wstring> shown;
    Common::Mfc::ErrorReporter::SetPresenter(
        [&](HWND, const std::exception_ptr& error)
        { shown.push_back(TavixCapture::ErrorBox::ComposeText(error, false)); });
    TestSupport::ClickCentre(GetDlgItem(page, IDC_MEASURE_COPY));
    const bool told = TestSupport::PumpUntil([&] { return !shown.empty(); });
    Common::Mfc::ErrorReporter::SetPresenter(nullptr);
    ASSERT_TRUE(told);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], L"統計をクリップボードにコピーできませんでした。\n"
                        L"コピーする統計がありません。映像の上で線または矩形をドラッグしてください。");
}
