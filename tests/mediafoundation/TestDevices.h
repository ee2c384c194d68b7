// Helpers shared by the Media Foundation tests: waiting, the owner's format
// change sequence, and the leak check over the live test objects.
#pragma once

#include "LiveObjects.h"
#include "TestActivate.h"

#include "Common/capture/Device.h"
#include "Common/capture/mediafoundation/MediaFoundationDeviceCallback.h"

#include <windows.h>

#include <functional>

namespace MediaFoundationTests
{

// Polls `done` every millisecond until it holds; false after the timeout.
inline bool WaitUntil(const std::function<bool()>& done, DWORD milliseconds = 5000)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    while (!done())
    {
        if (GetTickCount64() >= end)
        {
            return false;
        }
        Sleep(1);
    }
    return true;
}

// The owner's sequence for changing the selected format.
inline void SelectFormat(Common::Device& device, int index)
{
    const bool wasOpen = device.IsOpened();
    device.Close();
    device.OnFrameFormatChanging();
    device.selectedFormatIndex = index;
    device.ApplyFrameFormat();
    if (wasOpen)
    {
        device.Open();
    }
}

// True once every test source, stream, buffer and device callback is gone
// (the platform's reader lets go of them on its own threads).
inline bool NothingAlive(DWORD milliseconds = 5000)
{
    return WaitUntil(
        []
        {
            return LiveObjects::sources == 0 && LiveObjects::streams == 0 && LiveObjects::buffers == 0 &&
                   LiveObjects::activates == 0 &&
                   Common::MediaFoundationDevice::Callback::GetLiveCount() == 0;
        },
        milliseconds);
}

// Waits for a held sample request of the activation's current source and
// answers it.
inline bool DeliverOne(TestActivate& activate)
{
    Common::ComPointer<TestMediaSource> source = activate.GetSource();
    if (!source)
    {
        return false;
    }
    if (!WaitUntil([&] { return source->GetStream().GetPendingCount() > 0; }))
    {
        return false;
    }
    return source->GetStream().Deliver(1) == 1;
}

} // namespace MediaFoundationTests
