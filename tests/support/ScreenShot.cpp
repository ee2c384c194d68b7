#include "ScreenShot.h"

#include <gtest/gtest.h>

namespace TestSupport
{

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

POINT ScreenShot::Find(std::uint32_t color) const
{
    for (std::size_t i = 0; i < pixels_.size(); ++i)
    {
        if (pixels_[i] == color)
        {
            return {static_cast<LONG>(i % width_), static_cast<LONG>(i / width_)};
        }
    }
    return {-1, -1};
}

ScreenShot ShootClient(HWND window)
{
    RECT client = {};
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    return ScreenShot(client);
}

std::uint32_t ScreenPixel(HWND window, POINT client)
{
    POINT screen = client;
    ClientToScreen(window, &screen);
    return ScreenShot(RECT{screen.x, screen.y, screen.x + 1, screen.y + 1}).At(0, 0);
}

} // namespace TestSupport
