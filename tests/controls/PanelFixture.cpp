#include "PanelFixture.h"

#include "app/ErrorBox.h"
#include "resources/resource.h"

#include <commctrl.h>

namespace PanelTest
{

namespace
{
void PumpOnce()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

POINT ToScreen(HWND window, POINT client)
{
    POINT screen = client;
    EXPECT_TRUE(ClientToScreen(window, &screen));
    return screen;
}

void PostMouse(POINT screen, DWORD flags, int wheel = 0)
{
    // Absolute coordinates run from 0 to 65535 over the primary screen and
    // map back rounding down: round up here to land on the pixel.
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = (screen.x * 65536 + width - 1) / width;
    input.mi.dy = (screen.y * 65536 + height - 1) / height;
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    input.mi.mouseData = static_cast<DWORD>(wheel);
    EXPECT_EQ(SendInput(1, &input, sizeof(input)), 1u);
}

void SendMouse(HWND window, POINT client, DWORD flags, int wheel = 0)
{
    const POINT screen = ToScreen(window, client);
    PostMouse(screen, flags, wheel);
    PumpUntil(
        [screen]
        {
            POINT now = {};
            GetCursorPos(&now);
            return now.x == screen.x && now.y == screen.y;
        },
        2000);
    Settle();
}

TimerStep* activeStep = nullptr;

void SendKey(WORD virtualKey, bool up)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    ASSERT_EQ(SendInput(1, &input, sizeof(input)), 1u);
}

std::vector<std::wstring>& ErrorTexts()
{
    static std::vector<std::wstring> texts;
    return texts;
}

BOOL CALLBACK AnswerErrorBox(HWND window, LPARAM)
{
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    wchar_t title[16] = {};
    GetWindowTextW(window, title, 16);
    if (IsWindowVisible(window) && std::wstring(className) == L"#32770" && std::wstring(title) == L"エラー")
    {
        // The message box's text is its static item 0xFFFF.
        wchar_t text[1024] = {};
        GetDlgItemTextW(window, 0xFFFF, text, 1024);
        ErrorTexts().emplace_back(text);
        PostMessageW(window, WM_COMMAND, IDOK, 0);
    }
    return TRUE;
}
} // namespace

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMilliseconds)
{
    const ULONGLONG end = GetTickCount64() + timeoutMilliseconds;
    for (;;)
    {
        MSG message;
        while (!done() && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (done())
        {
            return true;
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= end)
        {
            ADD_FAILURE() << "condition not met within " << timeoutMilliseconds << " ms";
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
}

void Settle()
{
    // Paint messages come only when the queue is empty: pump until a wait
    // for new input times out with nothing pending, then flush the screen.
    for (int round = 0; round < 50; ++round)
    {
        PumpOnce();
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT) == WAIT_TIMEOUT)
        {
            break;
        }
    }
    GdiFlush();
}

void Click(HWND window, POINT client)
{
    SendMouse(window, client, MOUSEEVENTF_LEFTDOWN);
    SendMouse(window, client, MOUSEEVENTF_LEFTUP);
}

void Wheel(HWND window, POINT client, int delta)
{
    SendMouse(window, client, MOUSEEVENTF_WHEEL, delta);
}

void ClickCentre(HWND window)
{
    RECT client = {};
    ASSERT_TRUE(GetClientRect(window, &client));
    Click(window, {client.right / 2, client.bottom / 2});
}

void PressKey(WORD virtualKey, bool shift)
{
    if (shift)
    {
        SendKey(VK_SHIFT, false);
    }
    SendKey(virtualKey, false);
    SendKey(virtualKey, true);
    if (shift)
    {
        SendKey(VK_SHIFT, true);
    }
    Settle();
}

void TypeText(const std::wstring& text)
{
    for (const wchar_t character : text)
    {
        const SHORT key = VkKeyScanW(character);
        ASSERT_NE(key, -1) << "no key for the character";
        PressKey(static_cast<WORD>(LOBYTE(key)), (HIBYTE(key) & 1) != 0);
    }
}

void ChooseComboItem(HWND combo, int index)
{
    ClickCentre(combo);
    COMBOBOXINFO info = {};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(GetComboBoxInfo(combo, &info));
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(info.hwndList) != FALSE; }));
    RECT item = {};
    ASSERT_NE(SendMessageW(info.hwndList, LB_GETITEMRECT, static_cast<WPARAM>(index),
                           reinterpret_cast<LPARAM>(&item)),
              LB_ERR);
    Click(info.hwndList, {(item.left + item.right) / 2, (item.top + item.bottom) / 2});
}

std::uint32_t ScreenPixel(HWND window, POINT client)
{
    POINT screen = client;
    ClientToScreen(window, &screen);
    const HDC dc = GetDC(nullptr);
    const COLORREF color = GetPixel(dc, screen.x, screen.y);
    ReleaseDC(nullptr, dc);
    return (static_cast<std::uint32_t>(GetRValue(color)) << 16) |
           (static_cast<std::uint32_t>(GetGValue(color)) << 8) | GetBValue(color);
}

NotificationCounter::NotificationCounter(TavixCapture::MainModel& model) : model_(model)
{
    CreateEx(0, L"TavixTestCounter", L"", 0, RECT{0, 0, 0, 0}, HWND_MESSAGE, 0);
    model_.AddListener(this);
}

NotificationCounter::~NotificationCounter()
{
    model_.RemoveListener(this);
    DestroyWindow();
}

void NotificationCounter::OnPropertyChanged(std::int32_t id)
{
    if (id >= 0 && static_cast<std::size_t>(id) < counts_.size())
    {
        ++counts_[static_cast<std::size_t>(id)];
    }
}

void PostClick(HWND window, POINT client)
{
    const POINT screen = ToScreen(window, client);
    PostMouse(screen, MOUSEEVENTF_LEFTDOWN);
    PostMouse(screen, MOUSEEVENTF_LEFTUP);
}

void PostKey(WORD virtualKey)
{
    SendKey(virtualKey, false);
    SendKey(virtualKey, true);
}

TimerStep::TimerStep(std::function<bool()> step) : step_(std::move(step))
{
    activeStep = this;
    timer_ = SetTimer(nullptr, 0, 50, &TimerStep::OnTimer);
    EXPECT_NE(timer_, 0u);
}

TimerStep::~TimerStep()
{
    KillTimer(nullptr, timer_);
    activeStep = nullptr;
}

void CALLBACK TimerStep::OnTimer(HWND, UINT, UINT_PTR, DWORD)
{
    if (activeStep != nullptr && !activeStep->done_)
    {
        activeStep->done_ = activeStep->step_();
    }
}

ErrorBoxWatcher::ErrorBoxWatcher()
{
    ErrorTexts().clear();
    timer_ = SetTimer(nullptr, 0, 50, &ErrorBoxWatcher::OnTimer);
    EXPECT_NE(timer_, 0u);
}

ErrorBoxWatcher::~ErrorBoxWatcher()
{
    KillTimer(nullptr, timer_);
}

const std::vector<std::wstring>& ErrorBoxWatcher::Texts() const
{
    return ErrorTexts();
}

void CALLBACK ErrorBoxWatcher::OnTimer(HWND, UINT, UINT_PTR, DWORD)
{
    EnumThreadWindows(GetCurrentThreadId(), &AnswerErrorBox, 0);
}

} // namespace PanelTest

PanelTestBase::PanelTestBase() : profile(folder.File(L"TavixCapture.ini"))
{
    camera0 = std::make_shared<TestSupport::FakeDevice>(
        L"Camera 0", L"\\\\?\\cam0",
        std::initializer_list<TestSupport::FormatInfo>{{L"YUY2", 640, 480, 30.0}, {L"YUY2", 320, 240, 30.0}});
    camera1 = std::make_shared<TestSupport::FakeDevice>(
        L"Camera 1", L"\\\\?\\cam1",
        std::initializer_list<TestSupport::FormatInfo>{
            {L"MJPG", 1920, 1080, 30.0}, {L"MJPG", 1280, 720, 60.0}, {L"NV12", 800, 600, 15.0}});
    // Errors out of window handlers go to the program's error box, as the
    // main window arranges.
    Common::Mfc::Window::SetExceptionReporter([](HWND owner, std::exception_ptr error)
                                              { TavixCapture::ErrorBox::Show(owner, error, false); });
}

PanelTestBase::~PanelTestBase()
{
    sidePane.reset();
    hostWindow.DestroyWindow();
    counter.reset();
    PanelTest::Settle();
    model.reset();
    Common::Mfc::Window::SetExceptionReporter(nullptr);
}

void PanelTestBase::Open(TavixCapture::CaptureBackendFactory factory, std::int32_t captureApiFamily)
{
    if (!factory)
    {
        auto devices = std::make_pair(camera0, camera1);
        factory = [devices](std::int32_t, bool, bool) {
            return TestSupport::MakeCapture({devices.first, devices.second});
        };
    }
    model = std::make_unique<TavixCapture::MainModel>(profile, factory, captureApiFamily, true, false,
                                                      folder.Path());
    counter = std::make_unique<PanelTest::NotificationCounter>(*model);
    hostWindow.CreateEx(0, L"TavixTestHost", L"Side pane", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                        RECT{40, 40, 600, 700}, nullptr, 0);
    host = hostWindow.GetSafeHwnd();
    sidePane = std::make_unique<TavixCapture::SidePane>(*model);
    sidePane->Create(host, RECT{0, 0, 0, 0});
    const RECT pane = sidePane->GetWindowRect();
    RECT frame = {0, 0, pane.right - pane.left, pane.bottom - pane.top};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    SetWindowPos(host, nullptr, 40, 40, frame.right - frame.left, frame.bottom - frame.top, SWP_NOZORDER);
    ShowWindow(host, SW_SHOW);
    sidePane->Show(SW_SHOW);
    SetForegroundWindow(host);
    // Filled by the notifications of registration.
    PanelTest::Settle();
}

HWND PanelTestBase::Item(int id) const
{
    return GetDlgItem(sidePane->GetControlPanel().GetSafeHwnd(), id);
}

std::wstring PanelTestBase::TextOf(int id) const
{
    wchar_t text[256] = {};
    GetWindowTextW(Item(id), text, 256);
    return text;
}
