// The capture-settings page as a person meets it: a real side pane on the
// screen, driven by real mouse and keyboard input, read back from its
// controls, the model and the screen.
#include "PanelFixture.h"
#include "VirtualCameraRegistration.h"

#include "app/CaptureBackendFactory.h"
#include "resources/resource.h"
#include "support/ErrorBoxWatcher.h"
#include "support/ScreenShot.h"
#include "support/TimerStep.h"
#include "ui/ControlPanel.h"

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

using namespace TestSupport;
using TavixCapture::ControlPanel;
using TavixCapture::PropertyId;

namespace
{
int SliderPos(HWND slider)
{
    return static_cast<int>(SendMessageW(slider, TBM_GETPOS, 0, 0));
}

POINT CentreOf(HWND window)
{
    RECT client = {};
    GetClientRect(window, &client);
    return {client.right / 2, client.bottom / 2};
}

// Selects the whole text of an edit field as a person does: click, Home, Shift+End.
void SelectAll(HWND edit)
{
    ClickCentre(edit);
    PressKey(VK_HOME);
    PressKey(VK_END, true);
}
} // namespace

using ControlPanelTest = PanelTestBase;

// (The typed zoom and the wheel below see the slider's other points.)
TEST(ZoomScale, LogarithmicSliderAndFitRatio)
{
    EXPECT_EQ(ControlPanel::RatioFromSliderPosition(30), 200);
    EXPECT_EQ(ControlPanel::SliderPositionFromRatio(200), 30);
    // Moving the slider right never lowers the ratio.
    for (int position = -100; position < 100; ++position)
    {
        EXPECT_LE(ControlPanel::RatioFromSliderPosition(position),
                  ControlPanel::RatioFromSliderPosition(position + 1));
    }
    EXPECT_EQ(ControlPanel::FitRatio(1500, 900, 320, 240), 375);
    EXPECT_EQ(ControlPanel::FitRatio(100000, 100000, 16, 16), 1000);
    EXPECT_EQ(ControlPanel::FitRatio(639, 1000, 640, 480), 99) << "truncated, not rounded";
}

TEST_F(ControlPanelTest, TypedZoomTakesEffectOnceItIsARatio)
{
    Open();
    const HWND edit = Item(IDC_ZOOM_EDIT);
    SelectAll(edit);
    PressKey(VK_DELETE);
    PumpUntil([edit] { return GetWindowTextLengthW(edit) == 0; });
    listener.Drain();

    TypeText(L"5");
    PumpUntil([&] { return TextOf(IDC_ZOOM_EDIT) == L"5"; });
    Settle();
    EXPECT_EQ(model->GetViewRatio(), 100) << "5 is below the least ratio: nothing changes";
    EXPECT_EQ(Notified(PropertyId::ViewRatio), 0);

    TypeText(L"0");
    PumpUntil([&] { return model->GetViewRatio() == 50; });
    Settle();
    EXPECT_EQ(TextOf(IDC_ZOOM_EDIT), L"50");
    EXPECT_EQ(SliderPos(Item(IDC_ZOOM_SLIDER)), -30);

    TypeText(L"00");
    PumpUntil([&] { return model->GetViewRatio() == 1000; });
    Settle();
    EXPECT_EQ(TextOf(IDC_ZOOM_EDIT), L"1000") << "the spin shows the bounded ratio";
    EXPECT_EQ(SliderPos(Item(IDC_ZOOM_SLIDER)), 100);
    // 50, 500, 1000: one notification each, none from the refresh of the
    // edit by its own spin.
    EXPECT_EQ(Notified(PropertyId::ViewRatio), 3);
}

TEST_F(ControlPanelTest, WheelNotchesStepTheSlidersByAFiftiethOfTheirRange)
{
    Open();
    const HWND slider = Item(IDC_ZOOM_SLIDER);
    ClickCentre(Item(IDC_ZOOM_EDIT)); // the focus is elsewhere than on the slider
    listener.Drain();

    MouseWheel(slider, CentreOf(slider), WHEEL_DELTA);
    PumpUntil([&] { return model->GetViewRatio() == 110; });
    EXPECT_EQ(SliderPos(slider), 4);
    EXPECT_EQ(TextOf(IDC_ZOOM_EDIT), L"110");

    MouseWheel(slider, CentreOf(slider), -WHEEL_DELTA);
    PumpUntil([&] { return model->GetViewRatio() == 100; });
    for (int notch = 0; notch < 25; ++notch)
    {
        MouseWheel(slider, CentreOf(slider), -WHEEL_DELTA);
    }
    PumpUntil([&] { return model->GetViewRatio() == 10; });
    EXPECT_EQ(SliderPos(slider), -100);
    Settle();
    EXPECT_EQ(Notified(PropertyId::ViewRatio), 27);
    MouseWheel(slider, CentreOf(slider), -WHEEL_DELTA);
    EXPECT_EQ(SliderPos(slider), -100);
    EXPECT_EQ(Notified(PropertyId::ViewRatio), 0) << "nothing further at the end of the range";

    // The bit rate's slider: 100 to 20000 kbps, 398 a notch (WMV enables it).
    model->SetFileFormat(5);
    Settle();
    const HWND bitRate = Item(IDC_BITRATE_SLIDER);
    ASSERT_EQ(model->GetMovieBitRate(), 5000);
    MouseWheel(bitRate, CentreOf(bitRate), WHEEL_DELTA);
    PumpUntil([&] { return model->GetMovieBitRate() == 5398; });
    EXPECT_EQ(SliderPos(bitRate), 5398);
    EXPECT_EQ(TextOf(IDC_BITRATE), L"5398");
}

// Below about 35 % neighbouring slider positions give the same ratio: each
// key press still zooms, and the slider stays where the ratio is.
TEST_F(ControlPanelTest, ZoomSliderArrowKeysMoveAtEveryRatio)
{
    Open();
    const HWND slider = Item(IDC_ZOOM_SLIDER);
    for (const int start : {10, 15, 26})
    {
        SCOPED_TRACE(start);
        model->SetViewRatio(start);
        Settle();
        // The person takes the thumb (the focus comes with it; the thumb stays).
        RECT thumb = {};
        SendMessageW(slider, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
        Click(slider, {(thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2});
        Settle();
        ASSERT_EQ(model->GetViewRatio(), start);

        int ratio = start;
        for (int press = 0; press < 3; ++press)
        {
            PressKey(VK_RIGHT);
            EXPECT_TRUE(PumpUntil([&] { return model->GetViewRatio() > ratio; }, 3000)) << "press " << press;
            ratio = model->GetViewRatio();
            Settle();
            EXPECT_EQ(ControlPanel::RatioFromSliderPosition(SliderPos(slider)), ratio);
        }
        PressKey(VK_LEFT);
        EXPECT_TRUE(PumpUntil([&] { return model->GetViewRatio() < ratio; }, 3000));
        Settle();
        EXPECT_EQ(TextOf(IDC_ZOOM_EDIT), std::to_wstring(model->GetViewRatio()));
    }
}

// A number typed past the greatest value (or left below the least) shows
// what the model holds, and the digits typed are never mixed.
TEST_F(ControlPanelTest, TypedNumbersOutOfRangeShowTheModelsValue)
{
    Open();
    model->SetFileFormat(5); // WMV: the bit rate can be typed
    model->SetIsMarkerVisible(true);
    Settle();
    const struct
    {
        int edit;
        const wchar_t* typed;
        const wchar_t* shown;
        std::function<int()> value;
    } cases[] = {
        {IDC_ZOOM_EDIT, L"99999", L"1000", [&] { return model->GetViewRatio(); }},
        {IDC_ZOOM_EDIT, L"12345", L"1000", [&] { return model->GetViewRatio(); }},
        {IDC_ZOOM_EDIT, L"250", L"250", [&] { return model->GetViewRatio(); }},
        {IDC_BITRATE, L"99999", L"20000", [&] { return model->GetMovieBitRate(); }},
        {IDC_MARKER_X, L"9999", L"639", [&] { return static_cast<int>(model->GetMarkerPosition().x); }},
        {IDC_MARKER_Y, L"700", L"479", [&] { return static_cast<int>(model->GetMarkerPosition().y); }},
    };
    for (const auto& entry : cases)
    {
        SCOPED_TRACE(testing::PrintToString(std::wstring(entry.typed)));
        SelectAll(Item(entry.edit));
        TypeText(entry.typed);
        Settle();
        EXPECT_EQ(entry.value(), std::stoi(entry.shown));
        EXPECT_EQ(TextOf(entry.edit), entry.shown);
    }

    // Left below the least value: the field shows the model's once the
    // person clicks elsewhere.
    SelectAll(Item(IDC_BITRATE));
    TypeText(L"50");
    Settle();
    EXPECT_EQ(model->GetMovieBitRate(), 20000);
    ClickCentre(Item(IDC_ZOOM_EDIT));
    Settle();
    EXPECT_EQ(TextOf(IDC_BITRATE), L"20000");
}

// Values out of range in the file: the lists and the swatch show what the
// program then does.
TEST_F(ControlPanelTest, SettingsOutOfRangeInTheFileShowWhatTheProgramDoes)
{
    profile.WriteInt(L"Settings", L"SaveTarget", 5);
    profile.WriteInt(L"Settings", L"FileFormat", 99);
    profile.WriteInt(L"Settings", L"MarkerColor", -1);
    profile.WriteInt(L"Settings", L"MovieBitRate", 50);
    profile.WriteInt(L"Settings", L"IsMarkerVisible", 1);
    Open();
    EXPECT_EQ(Selection(IDC_SAVE_TARGET), model->GetSaveTarget());
    EXPECT_EQ(Selection(IDC_SAVE_TARGET), 0);
    EXPECT_EQ(Selection(IDC_FILE_FORMAT), 0);
    EXPECT_TRUE(Enabled(IDC_SNAP)) << "the snapped frame is what is saved";
    EXPECT_EQ(TextOf(IDC_BITRATE), std::to_wstring(model->GetMovieBitRate()));
    const HWND colour = Item(IDC_MARKER_COLOR);
    EXPECT_EQ(ScreenPixel(colour, {CentreOf(colour).x * 2 / 3, CentreOf(colour).y}), 0x00FF00u)
        << "the swatch shows the marker's colour";
    EXPECT_EQ(model->GetMarkerColor(), 0x0000FF00u);
}

TEST_F(ControlPanelTest, FitAndActualSizeButtons)
{
    Open();
    // The preview's place: a window whose client area is the view.
    HostWindow preview(960, 600);
    model->SetPreviewWindow(preview.GetSafeHwnd());
    model->SelectDevice(1); // 1920 x 1080
    Settle();
    ClickCentre(Item(IDC_ZOOM_FIT));
    EXPECT_EQ(model->GetViewRatio(), 50);
    ClickCentre(Item(IDC_ZOOM_ACTUAL));
    EXPECT_EQ(model->GetViewRatio(), 100);
    model->SetPreviewWindow(nullptr);
    ClickCentre(Item(IDC_ZOOM_FIT));
    EXPECT_EQ(model->GetViewRatio(), 10) << "no view: the least ratio";
}

TEST_F(ControlPanelTest, EnabledStatesFollowFileFormatRecordingAndSaveTarget)
{
    Open();
    for (int format = 0; format <= 6; ++format)
    {
        for (const bool recording : {false, true})
        {
            for (const int target : {0, 1})
            {
                SCOPED_TRACE(testing::Message()
                             << "format " << format << ", recording " << recording << ", target " << target);
                model->StopRecording();
                model->SetSaveTarget(target);
                // Stills record into a folder; a movie records as an AVI,
                // then the row's format is chosen.
                model->SetFileFormat(recording ? std::min(format, 4) : format);
                if (recording)
                {
                    model->StartRecording(format <= 3 ? folder.Path() : folder.File(L"movie.avi"));
                }
                model->SetFileFormat(format);
                Settle();

                const bool movie = format >= 4;
                const std::pair<std::vector<int>, bool> groups[] = {
                    {{IDC_DEVICE_LABEL, IDC_DEVICE, IDC_FORMAT_LABEL, IDC_FORMAT}, !(movie && recording)},
                    {{IDC_FILE_FORMAT_LABEL, IDC_FILE_FORMAT}, !recording},
                    {{IDC_BITRATE_LABEL, IDC_BITRATE, IDC_BITRATE_SPIN, IDC_BITRATE_UNIT, IDC_BITRATE_SLIDER},
                     format >= 5 && !recording},
                    {{IDC_SNAP}, (!movie || recording) && target == 0},
                    {{IDC_SAVE_TARGET, IDC_RECORD}, true}};
                for (const auto& [ids, enabled] : groups)
                {
                    for (const int id : ids)
                    {
                        EXPECT_EQ(Enabled(id), enabled) << "item " << id;
                    }
                }
                EXPECT_EQ(Checked(IDC_RECORD), recording);
                EXPECT_EQ(TextOf(IDC_RECORD), recording ? L"停止" : L"録画");
                EXPECT_EQ(Selection(IDC_FILE_FORMAT), format);
                EXPECT_EQ(Selection(IDC_SAVE_TARGET), target);
            }
        }
    }
    model->StopRecording();
}

TEST_F(ControlPanelTest, CheckBoxesFollowOnlyTheModelAndTheCrossLineEnablesItsGroup)
{
    Open();
    const bool statusBar = model->GetIsStatusBarVisible();
    ClickCentre(Item(IDC_STATUSBAR_VISIBLE));
    EXPECT_EQ(model->GetIsStatusBarVisible(), !statusBar);
    EXPECT_EQ(Checked(IDC_STATUSBAR_VISIBLE), !statusBar);

    model->SetIsMarkerVisible(true);
    model->SetMarkerPosition(100, 50);
    model->SetMarkerColor(RGB(255, 0, 0));
    Settle();
    ClickCentre(Item(IDC_PROFILE));
    EXPECT_TRUE(model->GetIsProfileVisible());
    EXPECT_TRUE(Checked(IDC_PROFILE));
    model->SetIsProfileVisible(false); // the model changing on its own is shown too
    Settle();
    EXPECT_FALSE(Checked(IDC_PROFILE));

    // Hiding the cross line disables its group but keeps the values.
    const int group[] = {IDC_MARKER_X_LABEL,     IDC_MARKER_X,     IDC_MARKER_X_SPIN,
                         IDC_MARKER_Y_LABEL,     IDC_MARKER_Y,     IDC_MARKER_Y_SPIN,
                         IDC_MARKER_COLOR_LABEL, IDC_MARKER_COLOR, IDC_PROFILE};
    for (const int id : group)
    {
        EXPECT_TRUE(Enabled(id)) << "item " << id;
    }
    const HWND colour = Item(IDC_MARKER_COLOR);
    const POINT swatch = {CentreOf(colour).x * 2 / 3, CentreOf(colour).y};
    EXPECT_EQ(ScreenPixel(colour, swatch), 0xFF0000u);
    ClickCentre(Item(IDC_MARKER));
    EXPECT_FALSE(model->GetIsMarkerVisible());
    EXPECT_FALSE(Checked(IDC_MARKER));
    for (const int id : group)
    {
        EXPECT_FALSE(Enabled(id)) << "item " << id;
    }
    EXPECT_EQ(TextOf(IDC_MARKER_X), L"100");
    EXPECT_EQ(TextOf(IDC_MARKER_Y), L"50");
    EXPECT_EQ(model->GetMarkerPosition().x, 100);
    EXPECT_EQ(ScreenPixel(colour, swatch), 0xFF0000u) << "the colour stays visible";
    ClickCentre(Item(IDC_MARKER));
    EXPECT_TRUE(model->GetIsMarkerVisible());
    EXPECT_TRUE(Enabled(IDC_MARKER_X));
}

TEST_F(ControlPanelTest, TypedMarkerPositionMovesTheMarkerOncePerChange)
{
    Open();
    model->SetIsMarkerVisible(true);
    model->SetMarkerPosition(320, 0);
    Settle();
    SelectAll(Item(IDC_MARKER_X));
    listener.Drain();
    TypeText(L"123");
    PumpUntil([&] { return model->GetMarkerPosition().x == 123; });
    Settle();
    // 1, 12, 123.
    EXPECT_EQ(Notified(PropertyId::MarkerPosition), 3);
    EXPECT_EQ(TextOf(IDC_MARKER_X), L"123");

    // The spin's arrow keys step the position.
    PressKey(VK_UP);
    PumpUntil([&] { return model->GetMarkerPosition().x == 124; });
    EXPECT_EQ(TextOf(IDC_MARKER_X), L"124");
}

// A camera that cannot be opened: the box says so, the program carries on,
// and the lists and ranges show the camera the model took.
TEST_F(ControlPanelTest, SecondDeviceRefillsTheFormatsAndTheMarkerRangesEvenWhenItCannotBeOpened)
{
    cam1->failOpen = true;
    Open();
    model->StartCapture();
    EXPECT_EQ(SendMessageW(Item(IDC_DEVICE), CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageW(Item(IDC_FORMAT), CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(SpinRange(IDC_MARKER_X_SPIN), std::make_pair(0, 639));
    EXPECT_EQ(SpinRange(IDC_MARKER_Y_SPIN), std::make_pair(0, 479));

    ErrorBoxWatcher watcher;
    ChooseComboItem(Item(IDC_DEVICE), 1);
    ASSERT_TRUE(PumpUntil([&] { return !watcher.Texts().empty(); }));
    Settle();
    EXPECT_FALSE(watcher.Texts().front().empty());
    EXPECT_EQ(Selection(IDC_DEVICE), 1);
    const HWND formats = Item(IDC_FORMAT);
    ASSERT_EQ(SendMessageW(formats, CB_GETCOUNT, 0, 0), 3);
    for (int index = 0; index < 3; ++index)
    {
        wchar_t text[128] = {};
        SendMessageW(formats, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
        EXPECT_EQ(std::wstring(text), cam1->GetFormats()[static_cast<std::size_t>(index)]->GetName());
    }
    EXPECT_EQ(Selection(IDC_FORMAT), cam1->GetSelectedFormatIndex());
    EXPECT_EQ(SpinRange(IDC_MARKER_X_SPIN), std::make_pair(0, 1919));
    EXPECT_EQ(SpinRange(IDC_MARKER_Y_SPIN), std::make_pair(0, 1079));

    ChooseComboItem(formats, 2);
    PumpUntil([&] { return cam1->GetSelectedFormatIndex() == 2; });
    Settle();
    EXPECT_EQ(Selection(IDC_FORMAT), 2);
    EXPECT_EQ(SpinRange(IDC_MARKER_X_SPIN), std::make_pair(0, 799));
    EXPECT_EQ(SpinRange(IDC_MARKER_Y_SPIN), std::make_pair(0, 599));

    // Back to the first camera, without another box.
    ChooseComboItem(Item(IDC_DEVICE), 0);
    PumpUntil([&] { return model->GetCurrentDeviceIndex() == 0; });
    Settle();
    EXPECT_EQ(SendMessageW(formats, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(watcher.Texts().size(), 1u);
}

TEST_F(ControlPanelTest, ColourPaletteSetsTheMarkerColour)
{
    Open();
    model->SetIsMarkerVisible(true);
    Settle();
    const HWND colour = Item(IDC_MARKER_COLOR);
    const auto visiblePalette = []
    {
        const HWND palette = FindWindowW(L"TavixColorPalette", nullptr);
        return palette != nullptr && IsWindowVisible(palette) ? palette : nullptr;
    };
    {
        // The palette runs while the click on the button is being handled:
        // the person's next click comes from a timer.
        int columns = 0;
        TimerStep pickRed(
            [&]
            {
                const HWND palette = visiblePalette();
                if (palette == nullptr)
                {
                    return false;
                }
                const ScreenShot shot = ShootClient(palette);
                const POINT red = shot.Find(0xFF0000u);
                if (red.x < 0)
                {
                    return false; // not painted yet
                }
                // Red, the sixth colour, opens the second row right under
                // black, the first; orange, the seventh, follows red.
                const POINT black = shot.Find(0x000000u);
                const POINT orange = shot.Find(0xFF8000u);
                columns =
                    red.x == black.x && red.y > black.y && orange.y == red.y && orange.x > red.x ? 5 : 0;
                PostClick(palette, {red.x + 3, red.y + 3});
                return true;
            });
        ClickCentre(colour);
        PumpUntil([&] { return pickRed.Done() && visiblePalette() == nullptr; });
        EXPECT_EQ(columns, 5);
    }
    EXPECT_EQ(model->GetMarkerColor(), static_cast<std::uint32_t>(RGB(255, 0, 0)));
    Settle();
    EXPECT_EQ(ScreenPixel(colour, {CentreOf(colour).x * 2 / 3, CentreOf(colour).y}), 0xFF0000u);

    // Escape leaves without a colour.
    {
        TimerStep escape(
            [&]
            {
                if (visiblePalette() == nullptr)
                {
                    return false;
                }
                PostKey(VK_ESCAPE);
                return true;
            });
        ClickCentre(colour);
        PumpUntil([&] { return escape.Done() && visiblePalette() == nullptr; });
    }
    EXPECT_EQ(model->GetMarkerColor(), static_cast<std::uint32_t>(RGB(255, 0, 0)));
}

// A format of the virtual camera that will not connect under DirectShow: its
// IYUV, which it only describes (Windows would convert it, Wine cannot).
TEST_F(ControlPanelTest, FormatThatWillNotConnectIsReportedAndTheListShowsTheModel)
{
    VirtualCameraRegistration registration;
    Open(TavixCapture::CreateCaptureBackend, 1);
    Common::Device& camera = model->GetCurrentDevice();
    int iyuv = -1;
    for (std::size_t index = 0; index < camera.GetFormats().size() && iyuv < 0; ++index)
    {
        if (std::wstring(camera.GetFormats()[index]->GetSubtypeName()) == L"IYUV")
        {
            iyuv = static_cast<int>(index);
        }
    }
    ASSERT_GE(iyuv, 0) << "the virtual camera offers IYUV";
    const int argb = camera.GetSelectedFormatIndex();
    model->StartCapture();
    ASSERT_TRUE(camera.IsOpened());

    ErrorBoxWatcher watcher;
    ChooseComboItem(Item(IDC_FORMAT), iyuv);
    ASSERT_TRUE(PumpUntil([&] { return !watcher.Texts().empty(); }, 15000));
    Settle();
    EXPECT_EQ(watcher.Texts().size(), 1u);
    EXPECT_FALSE(camera.IsOpened());
    EXPECT_EQ(Selection(IDC_FORMAT), camera.GetSelectedFormatIndex());
    EXPECT_EQ(SpinRange(IDC_MARKER_X_SPIN), std::make_pair(0, camera.GetSelectedFormat()->width - 1))
        << "the marker range follows the format the model holds";

    // Back to the format that works: capture starts again.
    ChooseComboItem(Item(IDC_FORMAT), argb);
    PumpUntil([&] { return camera.GetSelectedFormatIndex() == argb; });
    Settle();
    EXPECT_EQ(Selection(IDC_FORMAT), argb);
    model->StartCapture();
    EXPECT_TRUE(camera.IsOpened());
    model->StopCapture();
    EXPECT_EQ(watcher.Texts().size(), 1u);
}
