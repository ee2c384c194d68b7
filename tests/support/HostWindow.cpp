#include "HostWindow.h"

namespace TestSupport
{

namespace
{
HWND Desktop()
{
    // Kept until the process ends, which takes it without the wait.
    static Common::Mfc::Window* const desktop = []
    {
        auto* window = new Common::Mfc::Window;
        window->CreateEx(0, L"TavixTestDesktop", L"", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
                         RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, nullptr,
                         0);
        return window;
    }();
    return desktop->GetSafeHwnd();
}
} // namespace

HostWindow::HostWindow(int width, int height)
{
    const HWND desktop = Desktop();
    CreateEx(WS_EX_CONTROLPARENT, L"TavixTestHost", L"host", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
             RECT{0, 0, width, height}, desktop, 0);
    SetForegroundWindow(desktop);
}

HostWindow::~HostWindow()
{
    DestroyWindow();
}

} // namespace TestSupport
