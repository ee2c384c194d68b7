// A device or format that cannot be switched to: the error box is shown, the
// program carries on, and the lists show what the model holds afterwards.
#include "PanelFixture.h"
#include "VirtualCameraRegistration.h"

#include "app/CaptureBackendFactory.h"
#include "resources/resource.h"
#include "support/ErrorBoxWatcher.h"

using namespace TestSupport;
using SwitchErrorTest = PanelTestBase;

TEST_F(SwitchErrorTest, CameraThatCannotBeOpenedIsReportedAndTheListsShowTheModel)
{
    cam1->failOpen = true;
    Open();
    model->StartCapture();
    ErrorBoxWatcher watcher;
    ChooseComboItem(Item(IDC_DEVICE), 1);
    ASSERT_TRUE(PumpUntil([&] { return !watcher.Texts().empty(); }));
    Settle();
    EXPECT_EQ(watcher.Texts().size(), 1u);
    EXPECT_FALSE(watcher.Texts().front().empty());
    // The model took the second camera (and could not open it).
    EXPECT_EQ(Selection(IDC_DEVICE), 1);
    EXPECT_EQ(SendMessageW(Item(IDC_FORMAT), CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(Selection(IDC_FORMAT), cam1->selectedFormatIndex);

    // The program goes on: back to the first camera.
    ChooseComboItem(Item(IDC_DEVICE), 0);
    PumpUntil([&] { return model->GetCurrentDeviceIndex() == 0; });
    Settle();
    EXPECT_EQ(watcher.Texts().size(), 1u);
    EXPECT_EQ(SendMessageW(Item(IDC_FORMAT), CB_GETCOUNT, 0, 0), 2);
}

TEST_F(SwitchErrorTest, FormatThatWillNotConnectIsReportedAndTheListShowsTheModel)
{
    VirtualCameraRegistration registration;
    Open(TavixCapture::CreateCaptureBackend, 1);
    Common::Device& camera = model->GetCurrentDevice();
    int yuy2 = -1;
    for (std::size_t index = 0; index < camera.formats.size() && yuy2 < 0; ++index)
    {
        if (std::wstring(camera.formats[index]->GetSubtypeName()) == L"YUY2")
        {
            yuy2 = static_cast<int>(index);
        }
    }
    ASSERT_GE(yuy2, 0) << "the virtual camera offers YUY2";
    const int argb = camera.selectedFormatIndex;
    model->StartCapture();
    ASSERT_TRUE(camera.IsOpened());

    ErrorBoxWatcher watcher;
    ChooseComboItem(Item(IDC_FORMAT), yuy2);
    ASSERT_TRUE(PumpUntil([&] { return !watcher.Texts().empty(); }, 15000));
    Settle();
    EXPECT_EQ(watcher.Texts().size(), 1u);
    EXPECT_FALSE(camera.IsOpened());
    EXPECT_EQ(Selection(IDC_FORMAT), camera.selectedFormatIndex);
    EXPECT_EQ(SpinRange(IDC_MARKER_X_SPIN), std::make_pair(0, camera.GetSelectedFormat()->width - 1))
        << "the marker range follows the format the model holds";

    // Back to the format that works: capture starts again.
    ChooseComboItem(Item(IDC_FORMAT), argb);
    PumpUntil([&] { return camera.selectedFormatIndex == argb; });
    Settle();
    EXPECT_EQ(Selection(IDC_FORMAT), argb);
    model->StartCapture();
    EXPECT_TRUE(camera.IsOpened());
    model->StopCapture();
    EXPECT_EQ(watcher.Texts().size(), 1u);
}
