// The two questions recording asks the user: a file to save into (the
// platform's save dialog in its current style) and an output folder (the
// shell's classic folder chooser). Modal, owned by the given window.
// UI thread, with COM initialised.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace TavixCapture
{

// Shows the save dialog with one filter ("text|pattern||"), no initial
// name, asking before an existing file is replaced; `defaultExtension`
// (without ".") is added to a typed name that has none. Returns the full
// path, or nothing when the user cancels.
std::optional<std::wstring> AskSaveFileName(HWND owner, const wchar_t* filter,
                                            const wchar_t* defaultExtension);

// Shows the folder chooser titled "出力先フォルダーの選択", offering file-system
// folders only. Returns the chosen folder's path, or nothing when the user
// cancels or the choice has no file-system path.
std::optional<std::wstring> AskOutputFolder(HWND owner);

} // namespace TavixCapture
