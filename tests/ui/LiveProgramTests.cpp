// The program as a user starts it: TavixCapture.exe in a folder of its own
// with the virtual camera registered. Pressing "取り込み" with the mouse
// shows live frames: the frame counter the camera paints into its pictures,
// read back from the screen, advances.
#include "UiFixture.h"

#include "Common/UniqueHandle.h"
#include "app/IniProfile.h"
#include "directshow/VirtualCameraRegistration.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace
{

std::wstring TestBinaryFolder()
{
    wchar_t path[MAX_PATH * 4] = {};
    GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
    std::wstring text = path;
    return text.substr(0, text.find_last_of(L"\\/") + 1);
}

struct WindowSearch
{
    DWORD processId = 0;
    HWND found = nullptr;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    if (owner == search->processId && std::wstring(title) == L"Tavix Capture" && IsWindowVisible(window))
    {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The counter of the camera's pattern, read from the screen: at 50 % the
// 640x480 picture is centred in the preview; the top band holds 34 blocks of
// 18 pixels: white, black, then the counter's bits from the highest.
std::optional<std::uint32_t> ReadCounter(HWND preview)
{
    RECT client = {};
    GetClientRect(preview, &client);
    const double x0 = (client.right - 320) / 2.0;
    const double y0 = (client.bottom - 240) / 2.0;
    const UiTest::ScreenShot shot = UiTest::ShootClient(preview);
    const auto white = [&](int block)
    {
        const std::uint32_t pixel =
            shot.At(static_cast<int>(x0 + (block * 18 + 9) * 0.5), static_cast<int>(y0 + 7.5));
        const int r = static_cast<int>((pixel >> 16) & 0xFF);
        const int g = static_cast<int>((pixel >> 8) & 0xFF);
        const int b = static_cast<int>(pixel & 0xFF);
        return r > 128 && g > 128 && b > 128;
    };
    if (!white(0) || white(1))
    {
        return std::nullopt;
    }
    std::uint32_t counter = 0;
    for (int block = 2; block < 34; ++block)
    {
        counter = (counter << 1) | (white(block) ? 1u : 0u);
    }
    return counter;
}

} // namespace

TEST(LiveProgram, ShowsTheVirtualCameraLiveAfterTheCaptureButtonIsPressed)
{
    VirtualCameraRegistration camera;
    TestSupport::TempFolder folder;
    const std::wstring exe = folder.File(L"TavixCapture.exe");
    ASSERT_TRUE(CopyFileW((TestBinaryFolder() + L"TavixCapture.exe").c_str(), exe.c_str(), FALSE));
    const TavixCapture::IniProfile ini(folder.File(L"TavixCapture.ini"));
    ASSERT_TRUE(ini.WriteString(L"Application", L"CaptureApiFamily", L"1"));
    ASSERT_TRUE(ini.WriteString(L"Settings", L"ViewRatio", L"50"));
    ASSERT_TRUE(ini.WriteString(L"Settings", L"IsSidePaneVisible", L"0"));

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::wstring commandLine = L"\"" + exe + L"\"";
    ASSERT_TRUE(CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               folder.Path().c_str(), &startup, &process));
    const Common::UniqueHandle processHandle(process.hProcess);
    const Common::UniqueHandle threadHandle(process.hThread);

    WindowSearch search;
    search.processId = process.dwProcessId;
    const bool opened = UiTest::PumpUntil(
        [&]
        {
            EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        30000);
    if (!opened)
    {
        TerminateProcess(process.hProcess, 1);
        return;
    }
    const HWND window = search.found;
    const HWND capture = GetDlgItem(window, IDC_CAPTURE);
    const HWND preview =
        FindWindowExW(GetDlgItem(window, IDC_PREVIEW_FRAME), nullptr, L"TavixPreview", nullptr);
    ASSERT_NE(capture, nullptr);
    ASSERT_NE(preview, nullptr);
    UiTest::Settle();
    EXPECT_EQ(ReadCounter(preview), std::nullopt) << "black until capture starts";

    RECT button = {};
    GetClientRect(capture, &button);
    const POINT centre = {button.right / 2, button.bottom / 2};
    UiTest::MouseMove(capture, centre);
    UiTest::MouseDown(capture, centre);
    UiTest::MouseUp(capture, centre);

    std::optional<std::uint32_t> first;
    EXPECT_TRUE(UiTest::PumpUntil(
        [&]
        {
            first = ReadCounter(preview);
            return first.has_value();
        },
        20000));
    std::optional<std::uint32_t> later;
    EXPECT_TRUE(UiTest::PumpUntil(
        [&]
        {
            later = ReadCounter(preview);
            return first && later && *later > *first + 5;
        },
        20000))
        << "counter stays at " << first.value_or(0);
    wchar_t text[32] = {};
    GetWindowTextW(capture, text, 32);
    EXPECT_STREQ(text, L"停止");

    // Closed through the close command, it saves its placement and ends.
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 20000), WAIT_OBJECT_0);
    EXPECT_NE(ini.ReadInt(L"MainWindow", L"WindowPlacementFlags", -1), -1);
    EXPECT_EQ(ini.ReadString(L"Settings", L"ViewRatio", L""), L"50");
}
