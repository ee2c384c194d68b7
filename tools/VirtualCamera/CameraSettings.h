// VirtualCamera::CameraSettings: the camera's settings as its IAMVideoProcAmp
// and IAMCameraControl report and change them: brightness, white balance and
// gain of the amplifier, exposure (log2 seconds) of the camera control. The
// defaults leave the test pattern untouched; at the top of the gain (16 steps
// double the light) white saturates even at the shortest exposure. Exposure offers automatic
// control, which walks the value down and up again one step every
// DriftFrames frames, so that automatic and manual are told apart.
//
// Threads: the interfaces on any caller's thread, NextFrame on the streaming
// thread; all state is guarded by one lock.
#pragma once

#include "PixelAdjustment.h"

#include <windows.h>

#include <strmif.h>

#include <mutex>

namespace VirtualCamera
{

class CameraSettings
{
public:
    // Which interface a property number belongs to.
    enum class Group
    {
        ProcAmp,
        CameraControl,
    };

    static constexpr int DriftFrames = 10;
    static constexpr long DefaultExposure = -5; // 1/32 s
    static constexpr long DefaultWhiteBalance = 5000;

    // The interfaces' three calls; an unknown property gives
    // E_PROP_ID_UNSUPPORTED, a value outside the range E_INVALIDARG.
    HRESULT GetRange(Group group, long property, long* minimum, long* maximum, long* step, long* defaultValue,
                     long* caps) const;
    HRESULT Set(Group group, long property, long value, long flags);
    HRESULT Get(Group group, long property, long* value, long* flags) const;

    // The adjustment of the next frame; moves automatic exposure on.
    PixelAdjustment NextFrame();

private:
    struct Setting
    {
        Group group;
        long property;
        long minimum, maximum, step, defaultValue;
        bool automaticOffered;
        long value;
        bool automatic;
    };
    const Setting* Find(Group group, long property) const;

    mutable std::mutex lock_;
    // guarded by lock_
    Setting settings_[4] = {
        {Group::ProcAmp, VideoProcAmp_Brightness, -64, 64, 1, 0, false, 0, false},
        {Group::ProcAmp, VideoProcAmp_WhiteBalance, 2800, 6500, 100, DefaultWhiteBalance, false,
         DefaultWhiteBalance, false},
        {Group::ProcAmp, VideoProcAmp_Gain, 0, 128, 1, 0, false, 0, false},
        {Group::CameraControl, CameraControl_Exposure, -11, -1, 1, DefaultExposure, true, DefaultExposure,
         false},
    };
    int frames_ = 0;      // guarded by lock_: frames since the last automatic step
    long driftStep_ = -1; // guarded by lock_: the next automatic step
};

} // namespace VirtualCamera
