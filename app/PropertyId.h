// The numbered properties of MainModel: the second parameter of every change
// notification a window receives. 0 to 21 are all that exist. Handlers
// turn the received number back with static_cast<PropertyId>(id).
#pragma once

#include <cstdint>

namespace TavixCapture
{

enum class PropertyId : std::int32_t
{
    CaptureDevice = 0,
    FrameFormat = 1,
    IsCapturing = 2,
    Frame = 3,
    ErrorMessage = 4,
    Processor = 5,
    ViewRatio = 6,
    IsMarkerVisible = 7,
    MarkerPosition = 8,
    MarkerColor = 9,
    IsProfileVisible = 10,
    Profile = 11,
    IsSidePaneVisible = 12,
    ControlPanelPage = 13,
    IsStatusBarVisible = 14,
    IsCursorInImage = 15,
    CursorPosition = 16,
    CursorPixel = 17,
    SaveTarget = 18,
    FileFormat = 19,
    MovieBitRate = 20,
    IsRecording = 21,
};

} // namespace TavixCapture
