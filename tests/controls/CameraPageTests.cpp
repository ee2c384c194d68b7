// The camera page of the side pane over the virtual camera under DirectShow:
// its properties with the camera's ranges, changes that reach the picture
// while it streams, automatic control, the settings kept per camera across
// a restart (and clamped into the camera's range), and "飽和しない露出".
// Real clicks and keys; the pictures read back from the device.
#include "PanelFixture.h"
#include "VirtualCameraRegistration.h"

#include "app/CameraSettings.h"
#include "app/ExposureSearch.h"
#include "resources/resource.h"
#include "support/FramePixels.h"
#include "support/TimerStep.h"
#include "tools/VirtualCamera/PageResource.h"

#include <commctrl.h>

using namespace TestSupport;
using Common::CameraPropertyId;
using TavixCapture::CameraPage;

namespace
{
constexpr wchar_t SmallFormat[] = L"ARGB32 320x240 (15fps)";

// The control `id` of the camera's own property page, in a frame of this
// thread that is showing; null while there is none.
HWND DriverPageItem(int id)
{
    struct Search
    {
        int id;
        HWND found;
    } search{id, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM parameter)
        {
            auto& wanted = *reinterpret_cast<Search*>(parameter);
            EnumChildWindows(
                window,
                [](HWND child, LPARAM inner)
                {
                    auto& found = *reinterpret_cast<Search*>(inner);
                    if (GetDlgCtrlID(child) == found.id && IsWindowVisible(child))
                    {
                        found.found = child;
                    }
                    return found.found == nullptr ? TRUE : FALSE;
                },
                parameter);
            return wanted.found == nullptr ? TRUE : FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}
} // namespace

class CameraPageTest : public PanelTestBase
{
protected:
    // The model over DirectShow with the virtual camera current, its small
    // format chosen and the camera page shown.
    void OpenOnCamera()
    {
        Open(TavixCapture::CreateCaptureBackend, 1);
        model->SelectDevice(static_cast<std::int32_t>(FindVirtualCamera(model->GetCapture())));
        model->SelectFrameFormatByName(SmallFormat);
        ASSERT_EQ(model->GetCurrentDevice().GetSelectedFormat()->GetName(), SmallFormat);
        ClickCentre(GetDlgItem(sidePane->GetHeader().GetSafeHwnd(), IDC_PAGE_CAMERA));
        Settle();
        ASSERT_TRUE(Page().IsVisible());
    }
    CameraPage& Page() const { return sidePane->GetCameraPage(); }
    HWND PageItem(int id) const { return GetDlgItem(Page().GetSafeHwnd(), id); }
    HWND RowItem(CameraPropertyId id, int part) const { return PageItem(CameraPage::RowItemId(id, part)); }
    std::pair<int, int> SliderRange(CameraPropertyId id) const
    {
        const HWND slider = RowItem(id, IDC_CAMERA_ROW_SLIDER);
        return {static_cast<int>(SendMessageW(slider, TBM_GETRANGEMIN, 0, 0)),
                static_cast<int>(SendMessageW(slider, TBM_GETRANGEMAX, 0, 0))};
    }
    Common::CameraProperty Camera(CameraPropertyId id) const
    {
        return model->GetCurrentDevice().GetCameraControls()->GetProperty(id);
    }
    // Replaces the text of a row's edit box by typing, as a user does.
    void Type(CameraPropertyId id, const std::wstring& text)
    {
        const HWND edit = RowItem(id, IDC_CAMERA_ROW_EDIT);
        ClickCentre(edit);
        SendMessageW(edit, EM_SETSEL, 0, -1);
        TypeText(text);
        Settle();
    }
    // The pixel the device holds at (x, y), once it is `expected`.
    bool FramePixelBecomes(int x, int y, std::uint32_t expected)
    {
        Common::Device& device = model->GetCurrentDevice();
        return PumpUntil(
            [&]
            {
                const Common::FrameBuffer frame = TestSupport::LatestFrame(device);
                return frame.height == 240 && PixelAt(frame, x, y) == expected;
            },
            10000);
    }
    bool Saturated()
    {
        const Common::FrameBuffer frame = TestSupport::LatestFrame(model->GetCurrentDevice());
        return TavixCapture::ExposureSearch::IsSaturated(frame.pixels.data(), frame.width, frame.height,
                                                         frame.stride);
    }
    // Clicks "飽和しない露出" and waits for the search to end; the frames it took.
    std::uint64_t Search()
    {
        const std::uint64_t first = model->GetDeliveredFrameCount();
        ClickCentre(PageItem(IDC_CAMERA_NO_SATURATION));
        EXPECT_TRUE(
            PumpUntil([&] { return IsWindowEnabled(PageItem(IDC_CAMERA_NO_SATURATION)) != FALSE; }, 15000))
            << "the search never ended";
        return model->GetDeliveredFrameCount() - first;
    }
    // The picture once a frame taken after now has arrived.
    void WaitForNewFrames(std::uint64_t count)
    {
        const std::uint64_t until = model->GetDeliveredFrameCount() + count;
        ASSERT_TRUE(PumpUntil([&] { return model->GetDeliveredFrameCount() >= until; }, 10000));
    }

    VirtualCameraRegistration registration;
};

TEST_F(CameraPageTest, ListsTheCamerasPropertiesAndChangesThePictureWhileItStreams)
{
    OpenOnCamera();
    // Its four properties, with the camera's ranges; nothing it lacks.
    EXPECT_EQ(SliderRange(CameraPropertyId::Exposure), std::make_pair(-11, -1));
    EXPECT_EQ(TestSupport::TextOf(RowItem(CameraPropertyId::Exposure, IDC_CAMERA_ROW_RANGE)),
              L"範囲 -11〜-1  刻み 1  既定値 -5");
    EXPECT_EQ(TestSupport::TextOf(RowItem(CameraPropertyId::Exposure, IDC_CAMERA_ROW_NAME)), L"露出 1/32 秒");
    EXPECT_EQ(SliderRange(CameraPropertyId::WhiteBalance), std::make_pair(2800, 6500));
    EXPECT_EQ(TestSupport::TextOf(RowItem(CameraPropertyId::WhiteBalance, IDC_CAMERA_ROW_RANGE)),
              L"範囲 2800〜6500  刻み 100  既定値 5000");
    EXPECT_EQ(SliderRange(CameraPropertyId::Gain), std::make_pair(0, 128));
    EXPECT_EQ(SliderRange(CameraPropertyId::Brightness), std::make_pair(-64, 64));
    {
        // Its 0 is drawn in the middle of the slider.
        const HWND slider = RowItem(CameraPropertyId::Brightness, IDC_CAMERA_ROW_SLIDER);
        RECT channel = {}, thumb = {};
        SendMessageW(slider, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
        SendMessageW(slider, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
        EXPECT_NEAR((thumb.left + thumb.right) / 2, (channel.left + channel.right) / 2, 3);
    }
    EXPECT_NE(RowItem(CameraPropertyId::Exposure, IDC_CAMERA_ROW_AUTOMATIC), nullptr);
    EXPECT_EQ(RowItem(CameraPropertyId::Gain, IDC_CAMERA_ROW_AUTOMATIC), nullptr) << "no automatic gain";
    EXPECT_EQ(RowItem(CameraPropertyId::Focus, IDC_CAMERA_ROW_SLIDER), nullptr);
    EXPECT_FALSE(IsWindowVisible(PageItem(IDC_CAMERA_NONE)));
    EXPECT_FALSE(IsWindowEnabled(PageItem(IDC_CAMERA_NO_SATURATION))) << "only while capturing";

    model->StartCapture();
    Settle();
    EXPECT_TRUE(IsWindowEnabled(PageItem(IDC_CAMERA_NO_SATURATION)));
    // The footer's right half is white at the default exposure; two steps
    // shorter quarter its light.
    ASSERT_TRUE(FramePixelBecomes(280, 235, 0xFFFFFFFFu));
    Type(CameraPropertyId::Exposure, L"-7");
    EXPECT_EQ(Camera(CameraPropertyId::Exposure).value, -7);
    EXPECT_EQ(TestSupport::TextOf(RowItem(CameraPropertyId::Exposure, IDC_CAMERA_ROW_NAME)),
              L"露出 1/128 秒");
    EXPECT_EQ(SendMessageW(RowItem(CameraPropertyId::Exposure, IDC_CAMERA_ROW_SLIDER), TBM_GETPOS, 0, 0), -7);
    EXPECT_TRUE(FramePixelBecomes(280, 235, 0xFF404040u));
    // The gain slider by keyboard: one step per arrow, 16 steps double the light.
    ClickCentre(RowItem(CameraPropertyId::Gain, IDC_CAMERA_ROW_SLIDER));
    const int gainAfterClick = Camera(CameraPropertyId::Gain).value;
    PressKey(VK_HOME);
    for (int i = 0; i < 16; ++i)
    {
        PressKey(VK_RIGHT);
    }
    Settle();
    EXPECT_EQ(Camera(CameraPropertyId::Gain).value, 16) << "after the click it was " << gainAfterClick;
    EXPECT_TRUE(FramePixelBecomes(280, 235, 0xFF808080u));

    // Automatic exposure: the camera moves it, the page follows and its slider is the camera's.
    ClickCentre(RowItem(CameraPropertyId::Exposure, IDC_CAMERA_ROW_AUTOMATIC));
    EXPECT_TRUE(Camera(CameraPropertyId::Exposure).automatic);
    EXPECT_TRUE(IsChecked(RowItem(CameraPropertyId::Exposure, IDC_CAMERA_ROW_AUTOMATIC)));
    EXPECT_FALSE(IsWindowEnabled(RowItem(CameraPropertyId::Exposure, IDC_CAMERA_ROW_SLIDER)));
    EXPECT_TRUE(PumpUntil(
        [&]
        {
            return TestSupport::TextOf(RowItem(CameraPropertyId::Exposure, IDC_CAMERA_ROW_EDIT)) !=
                   std::to_wstring(-7);
        },
        10000))
        << "the page shows the value the camera chose";

    ClickCentre(PageItem(IDC_CAMERA_DEFAULTS));
    for (const CameraPropertyId id : {CameraPropertyId::Exposure, CameraPropertyId::Gain,
                                      CameraPropertyId::Brightness, CameraPropertyId::WhiteBalance})
    {
        const auto property = Camera(id);
        EXPECT_EQ(property.value, property.defaultValue) << static_cast<int>(id);
        EXPECT_FALSE(property.automatic);
        EXPECT_EQ(TestSupport::TextOf(RowItem(id, IDC_CAMERA_ROW_EDIT)),
                  std::to_wstring(property.defaultValue));
    }
    EXPECT_TRUE(FramePixelBecomes(280, 235, 0xFFFFFFFFu));
    model->StopCapture();
}

TEST_F(CameraPageTest, SettingsAreKeptPerCameraAndClampedIntoItsRange)
{
    OpenOnCamera();
    const std::wstring path = model->GetCurrentDevice().path;
    const std::wstring section = TavixCapture::CameraSettings::SectionName(path);
    Type(CameraPropertyId::Brightness, L"12");
    ClickCentre(RowItem(CameraPropertyId::Exposure, IDC_CAMERA_ROW_AUTOMATIC));
    EXPECT_EQ(profile.ReadInt(section.c_str(), L"Brightness", 0), 12);
    EXPECT_EQ(profile.ReadInt(section.c_str(), L"IsExposureAutomatic", 0), 1);

    // The camera starts from its defaults in the next run (a new filter):
    // the model puts the saved values back when it chooses the camera.
    sidePane.reset();
    model->RemoveListener(&listener);
    model.reset();
    registration.Unregister();
    ASSERT_EQ(registration.Register(), S_OK);
    // Another camera with settings of its own, and a gain beyond this camera's range.
    const std::wstring otherPath = L"\\\\?\\root#tavix_virtual_camera#0001";
    const ExtraCamera other(registration, L"Tavix Other", L"Tavix Other Camera", otherPath.c_str(),
                            L"standard");
    ASSERT_EQ(other.registered, S_OK);
    profile.WriteInt(TavixCapture::CameraSettings::SectionName(otherPath).c_str(), L"Brightness", -30);
    profile.WriteInt(section.c_str(), L"Gain", 1000);
    OpenOnCamera();
    EXPECT_EQ(Camera(CameraPropertyId::Brightness).value, 12);
    EXPECT_TRUE(Camera(CameraPropertyId::Exposure).automatic);
    EXPECT_EQ(Camera(CameraPropertyId::Gain).value, 128) << "the top of the camera's range";
    EXPECT_EQ(TestSupport::TextOf(RowItem(CameraPropertyId::Brightness, IDC_CAMERA_ROW_EDIT)), L"12");
    EXPECT_TRUE(IsChecked(RowItem(CameraPropertyId::Exposure, IDC_CAMERA_ROW_AUTOMATIC)));
    // Opened for capture, it keeps them.
    model->StartCapture();
    EXPECT_EQ(Camera(CameraPropertyId::Brightness).value, 12);
    model->StopCapture();

    // The other camera gets its own, nothing of this one's.
    const auto& devices = model->GetCapture().devices;
    const auto found =
        std::find_if(devices.begin(), devices.end(), [&](const auto& d) { return d->path == otherPath; });
    ASSERT_NE(found, devices.end());
    model->SelectDevice(static_cast<std::int32_t>(found - devices.begin()));
    Settle();
    EXPECT_EQ(Camera(CameraPropertyId::Brightness).value, -30);
    EXPECT_FALSE(Camera(CameraPropertyId::Exposure).automatic);
    EXPECT_EQ(Camera(CameraPropertyId::Gain).value, 0);
    EXPECT_EQ(TestSupport::TextOf(RowItem(CameraPropertyId::Brightness, IDC_CAMERA_ROW_EDIT)), L"-30");
}

// The test pattern's white is 255 at the default exposure: the longest step
// that leaves every channel below 255 is one shorter.
TEST_F(CameraPageTest, NoSaturationFindsTheLongestExposureWithinTenFrames)
{
    OpenOnCamera();
    model->StartCapture();
    Settle();
    Type(CameraPropertyId::Exposure, L"-1");
    ClickCentre(RowItem(CameraPropertyId::Exposure, IDC_CAMERA_ROW_AUTOMATIC)); // automatic first
    WaitForNewFrames(2);
    ASSERT_TRUE(Saturated());

    EXPECT_LE(Search(), 10u);
    const auto chosen = Camera(CameraPropertyId::Exposure);
    EXPECT_FALSE(chosen.automatic) << "held under manual control";
    EXPECT_EQ(TestSupport::TextOf(PageItem(IDC_CAMERA_STATUS))
                  .rfind(L"露出を " + CameraPage::ExposureTime(chosen.value), 0),
              0u)
        << TestSupport::TextOf(PageItem(IDC_CAMERA_STATUS)).c_str();
    WaitForNewFrames(2);
    EXPECT_FALSE(Saturated()) << "exposure " << chosen.value;
    // One step longer saturates: it is the longest.
    ASSERT_LT(chosen.value, chosen.maximum);
    Type(CameraPropertyId::Exposure, std::to_wstring(chosen.value + 1));
    WaitForNewFrames(2);
    EXPECT_TRUE(Saturated());

    // At the top of the gain even the shortest exposure saturates: said so,
    // and the shortest is kept.
    Type(CameraPropertyId::Gain, L"128");
    EXPECT_LE(Search(), 10u);
    EXPECT_EQ(Camera(CameraPropertyId::Exposure).value, -11);
    EXPECT_EQ(TestSupport::TextOf(PageItem(IDC_CAMERA_STATUS)),
              L"最短の露出 1/2048 秒 (-11) でも飽和します。");
    model->StopCapture();
}

// With "計測" measuring a region, the search judges that region alone: the
// footer's black left half, which no exposure saturates, while the white
// around it does from the default exposure on.
TEST_F(CameraPageTest, NoSaturationJudgesOnlyTheMeasurementRegion)
{
    ASSERT_TRUE(CopyFileW(L"TavixMeasure.dll", folder.File(L"TavixMeasure.dll").c_str(), FALSE));
    for (const auto& [key, value] : {std::pair{L"IsRegionSet", 1},
                                     {L"RegionX", 10},
                                     {L"RegionY", 228},
                                     {L"RegionWidth", 100},
                                     {L"RegionHeight", 8}})
    {
        profile.WriteInt(L"Measure", key, value);
    }
    OpenOnCamera();
    model->SelectProcessorByName(L"計測");
    model->StartCapture();
    Settle();
    EXPECT_LE(Search(), 10u);
    const auto chosen = Camera(CameraPropertyId::Exposure);
    EXPECT_EQ(chosen.value, chosen.maximum);
    EXPECT_EQ(TestSupport::TextOf(PageItem(IDC_CAMERA_STATUS))
                  .rfind(L"露出を 1/2 秒 (-1) にしました。計測領域で飽和しない最長の露出です", 0),
              0u)
        << TestSupport::TextOf(PageItem(IDC_CAMERA_STATUS)).c_str();
    WaitForNewFrames(2);
    EXPECT_TRUE(Saturated()) << "outside the region";
    model->StopCapture();
}

// "詳細設定..." shows the camera's own property page in the platform's
// property frame, modal over the program. A gain typed there reaches the
// camera at once; once the frame is closed (OK, or Escape) the page shows
// and keeps what the camera has.
TEST_F(CameraPageTest, DriverPagesOpenCloseAndThePageFollowsThem)
{
    OpenOnCamera();
    const HWND button = PageItem(IDC_CAMERA_DRIVER_PAGES);
    ASSERT_TRUE(IsWindowEnabled(button));
    // The person's steps, one a tick from the frame's own loop: type `gain`
    // (when given) into the camera's page, then press `close` (OK or Escape).
    const auto answer = [&](const wchar_t* gain, WORD close)
    {
        int step = gain != nullptr ? 0 : 2;
        const TestSupport::TimerStep person(
            [&]
            {
                const HWND field = DriverPageItem(IDC_PAGE_GAIN);
                if (field == nullptr)
                {
                    return false;
                }
                if (step == 0)
                {
                    PostClick(field, {4, 4});
                }
                else if (step == 1 && GetFocus() == field)
                {
                    SendMessageW(field, EM_SETSEL, 0, -1);
                    for (const wchar_t* digit = gain; *digit != L'\0'; ++digit)
                    {
                        PostKey(static_cast<WORD>(*digit));
                    }
                }
                else if (step == 2 && (gain == nullptr || TestSupport::TextOf(field) == gain))
                {
                    if (close == VK_ESCAPE)
                    {
                        PostKey(VK_ESCAPE);
                    }
                    else
                    {
                        PostClick(GetDlgItem(GetAncestor(field, GA_ROOT), IDOK), {4, 4});
                    }
                    return true;
                }
                else
                {
                    return false;
                }
                ++step;
                return false;
            });
        ClickCentre(button);
        EXPECT_TRUE(
            PumpUntil([&] { return person.Done() && DriverPageItem(IDC_PAGE_GAIN) == nullptr; }, 15000))
            << "the property frame did not close (step " << step << ")";
        Settle();
    };
    const std::wstring section = TavixCapture::CameraSettings::SectionName(model->GetCurrentDevice().path);

    answer(L"20", IDOK);
    EXPECT_EQ(Camera(CameraPropertyId::Gain).value, 20);
    EXPECT_EQ(TestSupport::TextOf(RowItem(CameraPropertyId::Gain, IDC_CAMERA_ROW_EDIT)), L"20");
    EXPECT_EQ(profile.ReadInt(section.c_str(), L"Gain", 0), 20);

    // Changed behind the page's back, read again when the frame closes.
    model->GetCurrentDevice().GetCameraControls()->SetProperty(CameraPropertyId::Gain, 33, false);
    answer(nullptr, VK_ESCAPE);
    EXPECT_EQ(TestSupport::TextOf(RowItem(CameraPropertyId::Gain, IDC_CAMERA_ROW_EDIT)), L"33");
    EXPECT_EQ(profile.ReadInt(section.c_str(), L"Gain", 0), 33);
}
