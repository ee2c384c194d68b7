// The sample plug-ins beside the program, loaded as the program loads them
// and run on known frames through the contract only.
#include "FakeHost.h"
#include "PluginFixture.h"

#include "Common/ComPointer.h"
#include "framework/IProcessorFactory.h"

#include <commctrl.h>
#include <cstring>
#include <d2d1.h>
#include <wincodec.h>

namespace
{

// One sample library and a processor made by its factory, initialised on `host`.
class Sample
{
public:
    Sample(const wchar_t* file, const std::wstring& expectedName, FakeHost& host)
    {
        library_ = LoadLibraryW((TestProgramFolder() + file).c_str());
        if (library_ == nullptr)
        {
            ADD_FAILURE() << "cannot load " << testing::PrintToString(std::wstring(file));
            return;
        }
        const auto entry = reinterpret_cast<Tavix::Framework::GetProcessorFactoryFunction>(
            reinterpret_cast<void*>(GetProcAddress(library_, "GetProcessorFactory")));
        if (entry == nullptr)
        {
            ADD_FAILURE() << "no export";
            return;
        }
        EXPECT_EQ(entry(factory_.Put()), S_OK);
        INT32 count = 0;
        EXPECT_EQ(factory_->GetProcessorCount(&count), S_OK);
        EXPECT_EQ(count, 1);
        std::wstring name;
        EXPECT_EQ(factory_->GetProcessorName(0, name), S_OK);
        EXPECT_EQ(name, expectedName);
        Recreate(host);
    }
    ~Sample()
    {
        Release();
        factory_.Reset();
        if (library_ != nullptr)
        {
            FreeLibrary(library_);
        }
    }

    // Ends the processor and makes a new one, as a new selection does.
    void Recreate(FakeHost& host)
    {
        Release();
        ASSERT_EQ(factory_->CreateProcessor(0, processor_.Put()), S_OK);
        ASSERT_EQ(processor_->Initialize(&host), S_OK);
    }

    Tavix::Framework::IProcessor* operator->() const { return processor_.Get(); }

private:
    void Release()
    {
        if (processor_)
        {
            EXPECT_EQ(processor_->Terminate(), S_OK);
            processor_.Reset();
        }
    }

    HMODULE library_ = nullptr;
    Common::ComPointer<Tavix::Framework::IProcessorFactory> factory_;
    Common::ComPointer<Tavix::Framework::IProcessor> processor_;
};

std::uint32_t PixelOf(const Common::FrameBuffer& image, std::int32_t x, std::int32_t y)
{
    std::uint32_t value;
    std::memcpy(&value, image.pixels.data() + static_cast<std::size_t>(y * image.stride + x * 4), 4);
    return value;
}

} // namespace

TEST(SamplePlugins, GrayscaleTurnsTheFrameGreyInPlaceKeepingAlpha)
{
    FakeHost host;
    Sample grayscale(L"TavixGrayscale.dll", L"グレースケール", host);
    host.Fill(5, 2, 0xFF000000);
    const std::uint32_t input[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0x80102030};
    for (int x = 0; x < 5; ++x)
    {
        host.SetPixel(x, 1, input[x]);
    }
    ASSERT_EQ(grayscale->Process(), S_OK);
    // Luma = (77 R + 150 G + 29 B + 128) / 256.
    EXPECT_EQ(host.Pixel(0, 1), 0xFF4D4D4Du);
    EXPECT_EQ(host.Pixel(1, 1), 0xFF959595u);
    EXPECT_EQ(host.Pixel(2, 1), 0xFF1D1D1Du);
    EXPECT_EQ(host.Pixel(3, 1), 0xFFFFFFFFu);
    EXPECT_EQ(host.Pixel(4, 1), 0x801D1D1Du);
    EXPECT_EQ(host.Pixel(4, 0), 0xFF000000u);
    EXPECT_EQ(grayscale->GetOutputImage(), &host.frame) << "the changed frame is what the preview shows";
}

TEST(SamplePlugins, ThresholdShowsItsOwnImageAndLeavesTheFrame)
{
    FakeHost host;
    host.WriteProfileInt(L"TavixThreshold", L"Threshold", 100);
    host.Fill(3, 2, 0xFF636363);     // luma 99
    host.SetPixel(1, 0, 0xFF646464); // luma 100
    host.SetPixel(2, 1, 0xFFFF0000); // luma 77
    Sample threshold(L"TavixThreshold.dll", L"二値化", host);

    const Common::FrameBuffer* before = threshold->GetOutputImage();
    ASSERT_NE(before, &host.frame);
    EXPECT_EQ(before->width, 3);
    EXPECT_EQ(before->height, 2);
    EXPECT_EQ(PixelOf(*before, 1, 0), 0xFF000000u) << "black until the first frame";

    ASSERT_EQ(threshold->Process(), S_OK);
    const Common::FrameBuffer* image = threshold->GetOutputImage();
    ASSERT_EQ(image->width, 3);
    EXPECT_EQ(PixelOf(*image, 0, 0), 0xFF000000u);
    EXPECT_EQ(PixelOf(*image, 1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(PixelOf(*image, 2, 1), 0xFF000000u);
    EXPECT_EQ(host.Pixel(1, 0), 0xFF646464u) << "the frame itself is unchanged";

    // The image shown stays as it is until the preview asks again.
    host.Fill(3, 2, 0xFFFFFFFF);
    ASSERT_EQ(threshold->Process(), S_OK);
    EXPECT_EQ(PixelOf(*image, 0, 0), 0xFF000000u);
    EXPECT_EQ(PixelOf(*threshold->GetOutputImage(), 0, 0), 0xFFFFFFFFu);

    // A new format: the image follows the frame's size at once.
    host.Fill(7, 4, 0xFF000000);
    ASSERT_EQ(threshold->OnFrameFormatChanged(), S_OK);
    EXPECT_EQ(threshold->GetOutputImage()->width, 7);
    EXPECT_EQ(threshold->GetOutputImage()->height, 4);
}

TEST(SamplePlugins, ThresholdPageSetsAndKeepsTheThreshold)
{
    FakeHost host;
    host.WriteProfileInt(L"TavixThreshold", L"Threshold", 100);
    Sample threshold(L"TavixThreshold.dll", L"二値化", host);
    NotificationWindow parent;

    Common::Mfc::Window* page = nullptr;
    ASSERT_EQ(threshold->CreatePage(nullptr, nullptr), E_POINTER);
    ASSERT_EQ(threshold->CreatePage(&parent, &page), S_OK);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(GetParent(page->GetSafeHwnd()), parent.GetSafeHwnd());
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
    EXPECT_EQ(host.GetProfileInt(L"TavixThreshold", L"Threshold", 0), 255);

    // Only white reaches 255.
    host.Fill(2, 1, 0xFFFEFEFE);
    host.SetPixel(1, 0, 0xFFFFFFFF);
    ASSERT_EQ(threshold->Process(), S_OK);
    EXPECT_EQ(PixelOf(*threshold->GetOutputImage(), 0, 0), 0xFF000000u);
    EXPECT_EQ(PixelOf(*threshold->GetOutputImage(), 1, 0), 0xFFFFFFFFu);

    // A processor made anew, as on the next selection, starts from the kept value.
    threshold.Recreate(host);
    ASSERT_EQ(threshold->CreatePage(&parent, &page), S_OK);
    EXPECT_EQ(SendMessageW(GetDlgItem(page->GetSafeHwnd(), 1300), TBM_GETPOS, 0, 0), 255);
}

TEST(SamplePlugins, RulerDrawsTheDraggedLineOverThePreview)
{
    FakeHost host;
    Sample ruler(L"TavixRuler.dll", L"定規", host);

    const D2D1_POINT_2F from = {10.0f, 10.0f};
    const D2D1_POINT_2F across = {30.0f, 12.0f};
    const D2D1_POINT_2F to = {40.0f, 50.0f};
    bool capture = false;
    EXPECT_EQ(ruler->OnMouseMove(0, &across), S_OK) << "a move without a drag draws nothing";
    EXPECT_EQ(host.redraws, 0);
    ASSERT_EQ(ruler->OnLButtonDown(MK_LBUTTON, &from, &capture), S_OK);
    EXPECT_TRUE(capture) << "the drag belongs to the ruler, not to panning";
    ASSERT_EQ(ruler->OnMouseMove(MK_LBUTTON, &across), S_OK);
    ASSERT_EQ(ruler->OnMouseMove(MK_LBUTTON, &to), S_OK);
    ASSERT_EQ(ruler->OnLButtonUp(0, &to), S_OK);
    EXPECT_EQ(ruler->OnMouseMove(0, &across), S_OK);
    EXPECT_EQ(host.redraws, 4);

    // Drawn at scale 2 into a bitmap and read back.
    Common::ComPointer<IWICImagingFactory> imaging;
    imaging.CreateInstance(CLSID_WICImagingFactory, CLSCTX_INPROC_SERVER);
    Common::ComPointer<IWICBitmap> bitmap;
    ASSERT_EQ(
        imaging->CreateBitmap(200, 200, GUID_WICPixelFormat32bppPBGRA, WICBitmapCacheOnLoad, bitmap.Put()),
        S_OK);
    Common::ComPointer<ID2D1Factory> d2d;
    ASSERT_EQ(D2D1CreateFactory(D2D1_FACTORY_TYPE_SINGLE_THREADED, __uuidof(ID2D1Factory), nullptr,
                                reinterpret_cast<void**>(d2d.Put())),
              S_OK);
    Common::ComPointer<ID2D1RenderTarget> target;
    const D2D1_RENDER_TARGET_PROPERTIES properties = D2D1::RenderTargetProperties(
        D2D1_RENDER_TARGET_TYPE_DEFAULT,
        D2D1::PixelFormat(DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED), 96.0f, 96.0f);
    ASSERT_EQ(d2d->CreateWicBitmapRenderTarget(bitmap.Get(), properties, target.Put()), S_OK);
    target->BeginDraw();
    target->Clear(D2D1::ColorF(0, 0, 0, 1));
    ASSERT_EQ(ruler->Draw(target.Get(), 2.0), S_OK);
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

TEST(SamplePlugins, APluginBuiltOutOfTreeFromTheInstalledSdkLoadsAndRuns)
{
    // Built by the test "plugins_sdk_example" before this suite runs.
    FakeHost host;
    Sample negative(L"testplugins\\sdk\\TavixNegative.dll", L"ネガ", host);
    host.Fill(2, 1, 0xFF102030);
    host.SetPixel(1, 0, 0x80FF00FF);
    ASSERT_EQ(negative->Process(), S_OK);
    EXPECT_EQ(host.Pixel(0, 0), 0xFFEFDFCFu);
    EXPECT_EQ(host.Pixel(1, 0), 0x8000FF00u);
}
