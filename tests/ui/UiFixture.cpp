#include "UiFixture.h"

#include <cstring>

namespace UiTest
{

void Pump()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMilliseconds)
{
    const ULONGLONG end = GetTickCount64() + timeoutMilliseconds;
    for (;;)
    {
        // One message at a time: a state that lasts only a while (a text
        // shown for a second) is seen before a later message ends it.
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
        Pump();
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT) == WAIT_TIMEOUT)
        {
            break;
        }
    }
    GdiFlush();
}

ScreenShot::ScreenShot(const RECT& rect) : width_(rect.right - rect.left), height_(rect.bottom - rect.top)
{
    pixels_.resize(static_cast<std::size_t>(width_) * height_);
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    EXPECT_TRUE(BitBlt(memory, 0, 0, width_, height_, screen, rect.left, rect.top, SRCCOPY));
    GdiFlush();
    const auto* source = static_cast<const std::uint32_t*>(bits);
    for (std::size_t i = 0; i < pixels_.size(); ++i)
    {
        pixels_[i] = source[i] & 0x00FFFFFFu;
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

ScreenShot ShootClient(HWND window)
{
    RECT client = {};
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    return ScreenShot(client);
}

namespace
{
void SendMouse(HWND window, POINT client, DWORD flags, int wheel = 0)
{
    POINT screen = client;
    ClientToScreen(window, &screen);
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
    // The input goes through the platform's queue: wait until the pointer is there.
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
} // namespace

void MouseMove(HWND window, POINT client)
{
    SendMouse(window, client, 0);
}

void MouseDown(HWND window, POINT client)
{
    SendMouse(window, client, MOUSEEVENTF_LEFTDOWN);
}

void MouseUp(HWND window, POINT client)
{
    SendMouse(window, client, MOUSEEVENTF_LEFTUP);
}

void MouseWheel(HWND window, POINT client, int delta)
{
    SendMouse(window, client, MOUSEEVENTF_WHEEL, delta);
}

HostWindow::HostWindow(int width, int height)
{
    CreateEx(0, L"TavixTestHost", L"host", WS_POPUP | WS_VISIBLE, RECT{0, 0, width, height}, nullptr, 0);
}

HostWindow::~HostWindow()
{
    DestroyWindow();
}

} // namespace UiTest

UiModelTest::UiModelTest() : profile(folder.File(L"TavixCapture.ini"))
{
    camera = std::make_shared<TestSupport::FakeDevice>(
        L"Camera 0", L"\\\\?\\cam0",
        std::initializer_list<TestSupport::FormatInfo>{{L"YUY2", 640, 480, 30.0}, {L"YUY2", 320, 240, 30.0}});
}

std::unique_ptr<TavixCapture::MainModel> UiModelTest::MakeModel()
{
    auto device = camera;
    return std::make_unique<TavixCapture::MainModel>(
        profile, [device](std::int32_t, bool, bool) { return TestSupport::MakeCapture({device}); }, 0, true,
        false, folder.Path());
}

void UiModelTest::ShowFrame(TavixCapture::MainModel& model,
                            const std::function<std::uint32_t(int x, int y)>& paint)
{
    {
        Common::AutoLock lock(camera->frameLock);
        Common::FrameBuffer& frame = camera->frame;
        for (int y = 0; y < frame.height; ++y)
        {
            for (int x = 0; x < frame.width; ++x)
            {
                const std::uint32_t value = paint(x, y);
                std::memcpy(frame.pixels.data() + static_cast<std::size_t>(y) * frame.stride +
                                static_cast<std::size_t>(x) * 4,
                            &value, 4);
            }
        }
    }
    model.Raise(static_cast<std::int32_t>(TavixCapture::PropertyId::Frame));
}
