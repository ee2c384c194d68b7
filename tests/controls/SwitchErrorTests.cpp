// A device or format that cannot be switched to: the error box is shown, the
// program carries on, and the lists show what the model holds afterwards.
#include "PanelFixture.h"
#include "VirtualCameraRegistration.h"

#include "app/CaptureBackendFactory.h"
#include "resources/resource.h"

#include <commctrl.h>

using PanelTest::PumpUntil;
using PanelTest::Settle;

namespace
{
int ComboSelection(HWND combo)
{
    return static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
}

std::wstring ComboItem(HWND combo, int index)
{
    wchar_t text[128] = {};
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    return text;
}
} // namespace

class SwitchErrorTest : public PanelTestBase
{
};

TEST_F(SwitchErrorTest, CameraThatCannotBeOpenedIsReportedAndTheListsShowTheModel)
{
    camera1->failOpen = true;
    Open();
    model->StartCapture();
    ASSERT_TRUE(camera0->IsOpened());

    PanelTest::ErrorBoxWatcher watcher;
    PanelTest::ChooseComboItem(Item(IDC_DEVICE), 1);
    ASSERT_TRUE(PumpUntil([&] { return !watcher.Texts().empty(); }));
    Settle();
    EXPECT_EQ(watcher.Texts().size(), 1u);
    EXPECT_FALSE(watcher.Texts().front().empty());

    // The model took the second camera and could not open it.
    EXPECT_EQ(model->GetCurrentDeviceIndex(), 1);
    EXPECT_FALSE(camera0->IsOpened());
    EXPECT_FALSE(camera1->IsOpened());
    EXPECT_EQ(ComboSelection(Item(IDC_DEVICE)), 1);
    ASSERT_EQ(SendMessageW(Item(IDC_FORMAT), CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(ComboItem(Item(IDC_FORMAT), 0), camera1->formats[0]->GetName());
    EXPECT_EQ(ComboSelection(Item(IDC_FORMAT)), camera1->selectedFormatIndex);

    // The program goes on: back to the first camera, which opens.
    PanelTest::ChooseComboItem(Item(IDC_DEVICE), 0);
    PumpUntil([&] { return model->GetCurrentDeviceIndex() == 0; });
    Settle();
    EXPECT_EQ(watcher.Texts().size(), 1u);
    EXPECT_EQ(SendMessageW(Item(IDC_FORMAT), CB_GETCOUNT, 0, 0), 2);
    model->StartCapture();
    EXPECT_TRUE(camera0->IsOpened());
    model->StopCapture();
}

TEST_F(SwitchErrorTest, FormatThatWillNotConnectIsReportedAndTheListShowsTheModel)
{
    VirtualCameraRegistration registration;
    Open(TavixCapture::CreateCaptureBackend, 1);
    Common::Device& camera = model->GetCurrentDevice();
    int yuy2 = -1;
    for (std::size_t index = 0; index < camera.formats.size(); ++index)
    {
        if (std::wstring(camera.formats[index]->GetSubtypeName()) == L"YUY2")
        {
            yuy2 = static_cast<int>(index);
            break;
        }
    }
    ASSERT_GE(yuy2, 0) << "the virtual camera offers YUY2";
    const int argb = camera.selectedFormatIndex;
    model->StartCapture();
    ASSERT_TRUE(camera.IsOpened());

    PanelTest::ErrorBoxWatcher watcher;
    PanelTest::ChooseComboItem(Item(IDC_FORMAT), yuy2);
    ASSERT_TRUE(PumpUntil([&] { return !watcher.Texts().empty(); }, 15000));
    Settle();
    EXPECT_EQ(watcher.Texts().size(), 1u);
    EXPECT_FALSE(camera.IsOpened());
    EXPECT_EQ(ComboSelection(Item(IDC_FORMAT)), camera.selectedFormatIndex);
    const auto shown = camera.GetSelectedFormat();
    int lower = -1;
    int upper = -1;
    SendMessageW(Item(IDC_MARKER_X_SPIN), UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lower),
                 reinterpret_cast<LPARAM>(&upper));
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(upper, shown->width - 1) << "the marker range follows the format the model holds";

    // Back to the format that works: capture starts again from the panel's model.
    PanelTest::ChooseComboItem(Item(IDC_FORMAT), argb);
    PumpUntil([&] { return camera.selectedFormatIndex == argb; });
    Settle();
    EXPECT_EQ(ComboSelection(Item(IDC_FORMAT)), argb);
    model->StartCapture();
    EXPECT_TRUE(camera.IsOpened());
    model->StopCapture();
    EXPECT_EQ(watcher.Texts().size(), 1u);
}
