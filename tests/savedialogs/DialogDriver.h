// Driving the real modal dialogs from a helper thread while the test's main
// thread sits in them, as a person would: find the window, type, click.
#pragma once

#include <windows.h>

#include <string>

namespace DialogDriver
{

// The first visible window owned by `owner` whose title is `title` (any
// title when null), waiting for it to appear for up to ten seconds; null
// when none did.
HWND WaitForOwnedWindow(HWND owner, const wchar_t* title = nullptr);

std::wstring TextOf(HWND window);
std::wstring ControlText(HWND dialog, int id);
void SetControlText(HWND dialog, int id, const std::wstring& text);
// Clicks a button of the dialog (BM_CLICK, as the mouse does).
void Click(HWND dialog, int id);

// Control ids of the platform's dialogs.
constexpr int FileNameBox = 1148; // the file-name combo box (cmb13)
constexpr int MessageText = 0xFFFF;

} // namespace DialogDriver
