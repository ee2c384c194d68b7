// The "Snap" and "録画" (record) buttons of the control panel. Each reports
// its own errors through the window layer's error reporter (the "エラー" box,
// owned by the panel) and never throws. UI thread.
#pragma once

#include <windows.h>

namespace TavixCapture
{

class MainModel;

// Copies the current device's frame; while recording, or with a movie
// format, hands it to the model's SaveFrame under a generated name (a movie
// format writes only while a movie is open); otherwise asks for a file in the
// selected still format and saves it there.
void SnapCommand(MainModel& model, HWND owner) noexcept;

// Stops a recording; otherwise asks for the output folder (still formats)
// or the movie file (movie formats) and starts recording there.
void RecordCommand(MainModel& model, HWND owner) noexcept;

} // namespace TavixCapture
