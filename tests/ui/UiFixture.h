// What the window tests share: a model over one fake camera and a temporary
// INI file, a message pump that waits for a definite condition, screen
// pixels read back from the display, and real mouse input (SendInput).
#pragma once

#include "Common/ui/Window.h"
#include "app/MainModel.h"
#include "support/FakeCapture.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace UiTest
{

// Processes every message waiting in this thread's queue.
void Pump();
// Pumps messages until `done` holds; false (and a test failure) after the time-out.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMilliseconds = 5000);
// Pumps until nothing was posted for a while: the window has handled what it
// was told and painted.
void Settle();

// Pixels of a screen rectangle as 0x00RRGGBB, row by row.
class ScreenShot
{
public:
    explicit ScreenShot(const RECT& screenRect);
    std::uint32_t At(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    int width_;
    int height_;
    std::vector<std::uint32_t> pixels_;
};
// The client area of a window on the screen.
ScreenShot ShootClient(HWND window);

// Real mouse input through the platform's input queue, at client points of `window`.
void MouseMove(HWND window, POINT client);
void MouseDown(HWND window, POINT client);
void MouseUp(HWND window, POINT client);
void MouseWheel(HWND window, POINT client, int delta);

constexpr std::uint32_t Teal = 0x008080;

// A plain top-level window at the screen's top-left corner that holds the
// window under test.
class HostWindow : public Common::Mfc::Window
{
public:
    HostWindow(int width, int height);
    ~HostWindow() override;
};

} // namespace UiTest

// A model over one fake camera ("cam0", 640x480 and 320x240) and a fresh INI
// file; the profile may be prepared before MakeModel.
class UiModelTest : public testing::Test
{
protected:
    UiModelTest();
    std::unique_ptr<TavixCapture::MainModel> MakeModel();
    // Writes `pixel` (0xAARRGGBB) into every pixel of the camera's frame
    // that `paint` selects, under the frame lock, and announces a frame.
    void ShowFrame(TavixCapture::MainModel& model, const std::function<std::uint32_t(int x, int y)>& paint);

    TestSupport::TempFolder folder;
    TavixCapture::IniProfile profile;
    std::shared_ptr<TestSupport::FakeDevice> camera;
};
