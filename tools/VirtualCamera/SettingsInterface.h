// VirtualCamera::SettingsInterface: IAMVideoProcAmp or IAMCameraControl of
// the filter (the two have the same three calls), answered by the camera's
// CameraSettings, which the deriving filter provides. Any thread.
#pragma once

#include "CameraSettings.h"

#include <strmif.h>

namespace VirtualCamera
{

template <class Interface, CameraSettings::Group group> class SettingsInterface : public Interface
{
public:
    STDMETHODIMP GetRange(LONG property, LONG* minimum, LONG* maximum, LONG* step, LONG* defaultValue,
                          LONG* caps) override
    {
        return GetCameraSettings().GetRange(group, property, minimum, maximum, step, defaultValue, caps);
    }
    STDMETHODIMP Set(LONG property, LONG value, LONG flags) override
    {
        return GetCameraSettings().Set(group, property, value, flags);
    }
    STDMETHODIMP Get(LONG property, LONG* value, LONG* flags) override
    {
        return GetCameraSettings().Get(group, property, value, flags);
    }

protected:
    virtual CameraSettings& GetCameraSettings() = 0;
};

using ProcAmpInterface = SettingsInterface<IAMVideoProcAmp, CameraSettings::Group::ProcAmp>;
using CameraControlInterface = SettingsInterface<IAMCameraControl, CameraSettings::Group::CameraControl>;

} // namespace VirtualCamera
