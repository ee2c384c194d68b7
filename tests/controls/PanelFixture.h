// What the side-pane tests share: a model over fake cameras (or the program's
// DirectShow backend), a visible host window holding a real SidePane, a
// listener that counts the model's notifications, real mouse and keyboard
// input through the platform's input queue, screen pixels, and a watcher
// that answers the error box and keeps its text.
#pragma once

#include "Common/ui/Window.h"
#include "app/MainModel.h"
#include "support/FakeCapture.h"
#include "support/TempFolder.h"
#include "ui/SidePane.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace PanelTest
{

// Pumps messages until `done` holds; false (and a test failure) after the time-out.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMilliseconds = 5000);
// Pumps until nothing was posted for a while: what was told is handled and painted.
void Settle();

// Real input at client points of `window`; each returns once the platform
// has taken the input and the windows have handled it.
void Click(HWND window, POINT client);
void Wheel(HWND window, POINT client, int delta);
// A click at the centre of a window.
void ClickCentre(HWND window);
// Keys through the input queue: virtual keys, or text typed character by character.
void PressKey(WORD virtualKey, bool shift = false);
void TypeText(const std::wstring& text);

// Opens a drop-down list with the mouse and clicks item `index` in it.
void ChooseComboItem(HWND combo, int index);

// The colour of a screen pixel (0x00RRGGBB) at a client point of `window`.
std::uint32_t ScreenPixel(HWND window, POINT client);

// Counts the notifications of one model, by property id.
class NotificationCounter : public Common::Mfc::Window
{
public:
    explicit NotificationCounter(TavixCapture::MainModel& model);
    ~NotificationCounter() override;
    int Count(TavixCapture::PropertyId id) const { return counts_[static_cast<std::size_t>(id)]; }
    void Reset() { counts_.fill(0); }

protected:
    void OnPropertyChanged(std::int32_t id) override;

private:
    TavixCapture::MainModel& model_;
    std::array<int, 22> counts_ = {};
};

// Input sent without waiting for it to be handled: for a window that runs
// its own loop (a pop-up, a box) while the test's input call has not returned.
void PostClick(HWND window, POINT client);
void PostKey(WORD virtualKey);

// Runs `step` on every tick of a thread timer (from any message loop of the
// thread, a modal one included) until it returns true once.
class TimerStep
{
public:
    explicit TimerStep(std::function<bool()> step);
    ~TimerStep();
    TimerStep(const TimerStep&) = delete;
    TimerStep& operator=(const TimerStep&) = delete;
    bool Done() const { return done_; }

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    std::function<bool()> step_;
    bool done_ = false;
    UINT_PTR timer_;
};

// Answers every error box of this thread with OK while it lives, keeping
// the texts shown.
class ErrorBoxWatcher
{
public:
    ErrorBoxWatcher();
    ~ErrorBoxWatcher();
    ErrorBoxWatcher(const ErrorBoxWatcher&) = delete;
    ErrorBoxWatcher& operator=(const ErrorBoxWatcher&) = delete;
    const std::vector<std::wstring>& Texts() const;

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    UINT_PTR timer_;
};

} // namespace PanelTest

// A model over two fake cameras and a fresh INI file, and a visible host
// window with the side pane shown in it. The profile and the cameras may be
// prepared before Open.
class PanelTestBase : public testing::Test
{
protected:
    PanelTestBase();
    ~PanelTestBase() override;

    // Builds the model (over the fake cameras unless a factory is given) and
    // shows the side pane.
    void Open(TavixCapture::CaptureBackendFactory factory = nullptr, std::int32_t captureApiFamily = 0);
    HWND Item(int id) const;
    TavixCapture::ControlPanel& Panel() { return sidePane->GetControlPanel(); }
    std::wstring TextOf(int id) const;
    bool Enabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }

    TestSupport::TempFolder folder;
    TavixCapture::IniProfile profile;
    std::shared_ptr<TestSupport::FakeDevice> camera0;
    std::shared_ptr<TestSupport::FakeDevice> camera1;
    std::unique_ptr<TavixCapture::MainModel> model;
    std::unique_ptr<PanelTest::NotificationCounter> counter;
    // The host: a plain top-level window the side pane lives in.
    Common::Mfc::Window hostWindow;
    HWND host = nullptr;
    std::unique_ptr<TavixCapture::SidePane> sidePane;
};
