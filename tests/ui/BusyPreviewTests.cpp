// Frames coming faster than the preview can paint them keep it painting
// without end; the rest of the main window must still repaint and answer
// the pointer.
#include "UiFixture.h"

#include "resources/resource.h"
#include "ui/MainWindow.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using TavixCapture::PropertyId;

namespace
{

HWND FindItem(HWND parent, int id)
{
    struct Search
    {
        int id;
        HWND found;
    } search = {id, nullptr};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM data) -> BOOL
        {
            auto* s = reinterpret_cast<Search*>(data);
            if (GetDlgCtrlID(child) == s->id)
            {
                s->found = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A click through the platform's input queue; unlike the fixture's mouse
// helpers it does not wait for the queue to run dry, which it never does here.
void Click(HWND window, POINT client)
{
    ClientToScreen(window, &client);
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    INPUT inputs[2] = {};
    for (INPUT& input : inputs)
    {
        input.type = INPUT_MOUSE;
        input.mi.dx = (client.x * 65536 + width - 1) / width;
        input.mi.dy = (client.y * 65536 + height - 1) / height;
    }
    inputs[0].mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTUP;
    EXPECT_EQ(SendInput(2, inputs, sizeof(INPUT)), 2u);
}

bool Differ(const UiTest::ScreenShot& a, const UiTest::ScreenShot& b)
{
    for (int y = 0; y < a.Height(); ++y)
    {
        for (int x = 0; x < a.Width(); ++x)
        {
            if (a.At(x, y) != b.At(x, y))
            {
                return true;
            }
        }
    }
    return false;
}

} // namespace

TEST_F(UiModelTest, AFloodOfFramesLeavesTheSidePaneRepaintingAndAnsweringThePointer)
{
    auto model = MakeModel();
    model->SetIsSidePaneVisible(true);
    TavixCapture::StartupOptions options;
    {
        TavixCapture::MainWindow window(model.get(), options);
        window.Create(nullptr);
        ShowWindow(window.GetSafeHwnd(), SW_SHOW);
        UiTest::Settle();
        const HWND marker = FindItem(window.GetSafeHwnd(), IDC_MARKER);
        ASSERT_NE(marker, nullptr);
        const UiTest::ScreenShot unchecked = UiTest::ShootClient(marker);

        // A camera far faster than any paint: each frame is announced as
        // soon as the windows took the last announcement.
        std::atomic<bool> flooding{true};
        std::thread camera(
            [&]
            {
                while (flooding)
                {
                    model->Raise(static_cast<std::int32_t>(PropertyId::Frame));
                    Sleep(1);
                }
            });
        RECT box = {};
        GetClientRect(marker, &box);
        Click(marker, {box.bottom / 2, box.bottom / 2});
        const bool turnedOn = UiTest::PumpUntil([&] { return model->GetIsMarkerVisible(); });
        const bool repainted =
            UiTest::PumpUntil([&] { return Differ(UiTest::ShootClient(marker), unchecked); }, 5000);
        flooding = false;
        camera.join();
        EXPECT_TRUE(turnedOn) << "the click on the check box was not taken";
        EXPECT_TRUE(repainted) << "the check box was not repainted while frames kept coming";
    }
    UiTest::Pump();
}
