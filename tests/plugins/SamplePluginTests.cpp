// The sample plug-ins, installed beside a program as a user installs them,
// loaded by the model and run on known frames delivered by the camera.
#include "PluginFixture.h"

#include "Common/ComPointer.h"
#include "support/FramePixels.h"

#include <commctrl.h>
#include <d2d1.h>
#include <wincodec.h>

using TestSupport::PixelAt;

namespace
{
// A model with the one sample plug-in `file` installed and its processor `name` current.
class SampleTest : public PluginTest
{
protected:
    void Start(const std::wstring& file, const std::wstring& name)
    {
        InstallBeside(file);
        model = MakeModel();
        ASSERT_EQ(Names(*model), (std::vector<std::wstring>{L"なし", name}));
        model->SelectProcessor(1);
        model->StartCapture();
    }
    Tavix::Framework::IProcessor* Processor() const { return model->GetCurrentProcessor(); }

    std::unique_ptr<TavixCapture::MainModel> model;
};
} // namespace

TEST_F(SampleTest, ThresholdShowsItsOwnImageLeavesTheFrameAndItsPageKeepsTheThreshold)
{
    profile.WriteInt(L"TavixThreshold", L"Threshold", 100);
    Start(L"TavixThreshold.dll", L"二値化");
    const Common::FrameBuffer* before = Processor()->GetOutputImage();
    ASSERT_NE(before, &cam0->GetProcessingFrame());
    EXPECT_EQ(before->width, 640);
    EXPECT_EQ(before->height, 480);
    EXPECT_EQ(PixelAt(*before, 1, 0), 0xFF000000u) << "black until the first frame";

    cam0->DeliverFrame(0xFF636363);   // luma 99
    cam0->SetPixel(1, 0, 0xFF646464); // luma 100
    cam0->SetPixel(2, 1, 0xFFFF0000); // luma 77
    cam0->Deliver();
    const Common::FrameBuffer* image = Processor()->GetOutputImage();
    EXPECT_EQ(PixelAt(*image, 0, 0), 0xFF000000u);
    EXPECT_EQ(PixelAt(*image, 1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(*image, 2, 1), 0xFF000000u);
    EXPECT_EQ(PixelAt(TestSupport::LatestFrame(*cam0), 1, 0), 0xFF646464u) << "the frame itself is unchanged";

    // The image shown stays as it is until the preview asks again.
    cam0->DeliverFrame(0xFFFFFFFF);
    EXPECT_EQ(PixelAt(*image, 0, 0), 0xFF000000u);
    EXPECT_EQ(PixelAt(*Processor()->GetOutputImage(), 0, 0), 0xFFFFFFFFu);

    // A new format: the image follows the frame's size at once.
    model->SelectFrameFormat(1);
    EXPECT_EQ(Processor()->GetOutputImage()->width, 320);
    EXPECT_EQ(Processor()->GetOutputImage()->height, 240);

    // The page sets the threshold and keeps it.
    Common::Mfc::Window* page = nullptr;
    ASSERT_EQ(Processor()->CreatePage(nullptr, nullptr), E_POINTER);
    ASSERT_EQ(Processor()->CreatePage(&window, &page), S_OK);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(GetParent(page->GetSafeHwnd()), window.GetSafeHwnd());
    EXPECT_FALSE(IsWindowVisible(page->GetSafeHwnd())) << "the side pane decides when to show it";
    const HWND slider = GetDlgItem(page->GetSafeHwnd(), 1300);
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), 100);
    EXPECT_EQ(SendMessageW(slider, TBM_GETRANGEMAX, 0, 0), 255);

    // The End key moves the slider to its maximum; the slider tells the page.
    SendMessageW(slider, WM_KEYDOWN, VK_END, 0);
    SendMessageW(slider, WM_KEYUP, VK_END, 0);
    wchar_t shown[16] = {};
    GetDlgItemTextW(page->GetSafeHwnd(), 1301, shown, 16);
    EXPECT_STREQ(shown, L"255");
    EXPECT_TRUE(WaitForSetting(L"TavixThreshold", L"Threshold", 255));

    // Only white reaches 255.
    cam0->DeliverFrame(0xFFFEFEFE);
    cam0->SetPixel(1, 0, 0xFFFFFFFF);
    cam0->Deliver();
    EXPECT_EQ(PixelAt(*Processor()->GetOutputImage(), 0, 0), 0xFF000000u);
    EXPECT_EQ(PixelAt(*Processor()->GetOutputImage(), 1, 0), 0xFFFFFFFFu);

    // A processor made anew, as on the next selection, starts from the kept value.
    model->SelectProcessor(0);
    model->SelectProcessor(1);
    ASSERT_EQ(Processor()->CreatePage(&window, &page), S_OK);
    EXPECT_EQ(SendMessageW(GetDlgItem(page->GetSafeHwnd(), 1300), TBM_GETPOS, 0, 0), 255);
}

TEST_F(SampleTest, RulerDrawsTheDraggedLineOverThePreview)
{
    Start(L"TavixRuler.dll", L"定規");
    const D2D1_POINT_2F from = {10.0f, 10.0f};
    const D2D1_POINT_2F across = {30.0f, 12.0f};
    const D2D1_POINT_2F to = {40.0f, 50.0f};
    bool capture = false;
    EXPECT_EQ(Processor()->OnMouseMove(0, &across), S_OK); // a move without a drag
    ASSERT_EQ(Processor()->OnLButtonDown(MK_LBUTTON, &from, &capture), S_OK);
    EXPECT_TRUE(capture) << "the drag belongs to the ruler, not to panning";
    ASSERT_EQ(Processor()->OnMouseMove(MK_LBUTTON, &across), S_OK);
    ASSERT_EQ(Processor()->OnMouseMove(MK_LBUTTON, &to), S_OK);
    ASSERT_EQ(Processor()->OnLButtonUp(0, &to), S_OK);

    // Drawn at scale 2 into a bitmap and read back.
    Common::ComPointer<IWICImagingFactory> imaging;
    imaging.CreateInstance(CLSID_WICImagingFactory, CLSCTX_INPROC_SERVER);
    Common::ComPointer<IWICBitmap> bitmap;
    ASSERT_EQ(
        imaging->CreateBitmap(200, 200, GUID_WICPixelFormat32bppPBGRA, WICBitmapCacheOnLoad, bitmap.Put()),
        S_OK);
    Common::ComPointer<ID2D1Factory> d2d;
    ASSERT_EQ(D2D1CreateFactory(D2D1_FACTORY_TYPE_SINGLE_THREADED, d2d.Put()), S_OK);
    Common::ComPointer<ID2D1RenderTarget> target;
    // The bitmap's format, at 96 dpi: one pixel a unit.
    ASSERT_EQ(d2d->CreateWicBitmapRenderTarget(bitmap.Get(), D2D1::RenderTargetProperties(), target.Put()),
              S_OK);
    target->BeginDraw();
    target->Clear(D2D1::ColorF(0, 0, 0, 1));
    ASSERT_EQ(Processor()->Draw(target.Get(), 2.0), S_OK);
    ASSERT_EQ(target->EndDraw(), S_OK);

    std::vector<std::uint32_t> pixels(200 * 200);
    const WICRect all = {0, 0, 200, 200};
    ASSERT_EQ(bitmap->CopyPixels(&all, 200 * 4, static_cast<UINT>(pixels.size() * 4),
                                 reinterpret_cast<BYTE*>(pixels.data())),
              S_OK);
    const auto at = [&](int x, int y) { return pixels[static_cast<std::size_t>(y * 200 + x)]; };
    const auto isYellow = [](std::uint32_t p)
    { return ((p >> 16) & 0xFF) > 200 && ((p >> 8) & 0xFF) > 150 && (p & 0xFF) < 80; };
    // The line from (20, 20) to (80, 100) on the target: its middle is (50, 60).
    EXPECT_TRUE(isYellow(at(50, 60))) << std::hex << at(50, 60);
    EXPECT_TRUE(isYellow(at(35, 40))) << std::hex << at(35, 40);
    EXPECT_EQ(at(150, 20) & 0x00FFFFFF, 0u) << "nothing drawn away from the line";
    EXPECT_EQ(at(60, 24) & 0x00FFFFFF, 0u) << "the intermediate point of the drag left no line";
}

TEST_F(SampleTest, APluginBuiltOutOfTreeFromTheInstalledSdkLoadsAndRuns)
{
    // Built by the test "plugins_sdk_example" before this suite runs.
    Start(L"testplugins\\sdk\\TavixNegative.dll", L"ネガ");
    cam0->SetPixel(0, 0, 0xFF102030);
    cam0->SetPixel(1, 0, 0x80FF00FF);
    cam0->Deliver();
    const Common::FrameBuffer frame = TestSupport::LatestFrame(*cam0);
    EXPECT_EQ(PixelAt(frame, 0, 0), 0xFFEFDFCFu);
    EXPECT_EQ(PixelAt(frame, 1, 0), 0x8000FF00u);
}
