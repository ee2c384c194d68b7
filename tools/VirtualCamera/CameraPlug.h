// VirtualCamera::CameraPlug: the standard camera's cable, pulled and plugged
// back by a test. Pulling it takes the standard instance out of the video
// input category and then sets a named event every instance of that camera
// in every process watches (a streaming camera then tells its graph
// EC_DEVICE_LOST and delivers nothing more, a stopped one refuses to run);
// plugging it back puts the instance back first and then clears the event.
// The process that pulled the cable holds it out until it plugs it back or
// ends. Instances registered at other paths have no cable.
// Threads: one at a time (tests pull and plug from their main thread).
#pragma once

#include "Common/UniqueHandle.h"

#include <windows.h>

namespace VirtualCamera
{

class CameraPlug
{
public:
    static HRESULT Unplug();
    static HRESULT Replug();
    // Whether the cable is out (false when the event cannot be opened).
    static bool IsUnplugged();
    // The named manual-reset event, set while the cable is out.
    static Common::UniqueHandle OpenUnpluggedEvent();
};

} // namespace VirtualCamera
