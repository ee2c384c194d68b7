// VirtualCamera::CameraPlug: the camera's cable, pulled and plugged back by a
// test. Pulling it sets a named event every instance of the camera in every
// process watches (a streaming camera then tells its graph EC_DEVICE_LOST and
// delivers nothing more, a stopped one refuses to run) and takes the standard
// instance out of the video input category; plugging it back puts the
// instance back first and then clears the event.
// Threads: any; the event is the only state.
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
