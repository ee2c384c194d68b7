// Driving windows as a person does, for the window suites: a message pump
// that waits for a definite condition, and real mouse and keyboard input
// through the platform's input queue. UI thread of the test.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace TestSupport
{

// Processes every message waiting in this thread's queue.
void Pump();
// Pumps messages one at a time until `done` holds; false (and a test
// failure) after the time-out.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMilliseconds = 5000);
// Pumps until nothing but timer ticks arrived for a while: what the windows
// were told is handled and painted.
void Settle();

// Mouse input at client points of `window`; each returns once the pointer
// is there and the windows have handled it.
void MouseMove(HWND window, POINT client);
void MouseDown(HWND window, POINT client);
void MouseUp(HWND window, POINT client);
void MouseWheel(HWND window, POINT client, int delta);
// Move, press and release at a point, or at the centre of a window.
void Click(HWND window, POINT client);
// Two clicks at once, as quick as a person's double click whatever the load.
void DoubleClick(HWND window, POINT client);
void ClickCentre(HWND window);
// Opens a drop-down list with the mouse and clicks its item `index`.
void ChooseComboItem(HWND combo, int index);
// A virtual key (with Shift when asked), or text typed key by key.
void PressKey(WORD virtualKey, bool shift = false);
void TypeText(const std::wstring& text);
// Input that is not waited for: for a window that runs its own loop (a
// pop-up, a box) while the test's own input call has not returned.
void PostClick(HWND window, POINT client);
// One mouse event at a client point (MOUSEEVENTF_LEFTDOWN, _LEFTUP, or 0 to
// move), not waited for: for a drag into a loop of the platform's own (a
// scroll bar's thumb), whose next steps a TimerStep posts from that loop.
void PostMouseInput(HWND window, POINT client, DWORD flags);
void PostKey(WORD virtualKey);

// The first visible, enabled window of this thread owned by `owner` (of the
// window class `className` when one is given); null when there is none.
HWND OwnedWindow(HWND owner, const wchar_t* className = nullptr);

// A window's text; whether a check box or push-like button is checked.
std::wstring TextOf(HWND window);
bool IsChecked(HWND button);

} // namespace TestSupport
