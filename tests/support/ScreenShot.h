// What the screen shows: the pixels of a screen rectangle, read back once,
// as 0x00RRGGBB. UI thread of the test.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace TestSupport
{

class ScreenShot
{
public:
    explicit ScreenShot(const RECT& screenRect);
    std::uint32_t At(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // The first point (row by row) showing `color`; {-1, -1} when none does.
    POINT Find(std::uint32_t color) const;
    bool operator==(const ScreenShot&) const = default;

private:
    int width_;
    int height_;
    std::vector<std::uint32_t> pixels_;
};

// The client area of a window as the screen shows it.
ScreenShot ShootClient(HWND window);
// One pixel at a client point of a window.
std::uint32_t ScreenPixel(HWND window, POINT client);

constexpr std::uint32_t Teal = 0x008080;

} // namespace TestSupport
