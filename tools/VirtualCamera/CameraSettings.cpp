#include "CameraSettings.h"

#include <strmif.h>
#include <vfwmsgs.h>

#include <cmath>

namespace VirtualCamera
{

const CameraSettings::Setting* CameraSettings::Find(Group group, long property) const
{
    for (const Setting& setting : settings_)
    {
        if (setting.group == group && setting.property == property)
        {
            return &setting;
        }
    }
    return nullptr;
}

HRESULT CameraSettings::GetRange(Group group, long property, long* minimum, long* maximum, long* step,
                                 long* defaultValue, long* caps) const
{
    if (!minimum || !maximum || !step || !defaultValue || !caps)
    {
        return E_POINTER;
    }
    const Setting* setting = Find(group, property);
    if (setting == nullptr)
    {
        return E_PROP_ID_UNSUPPORTED;
    }
    *minimum = setting->minimum;
    *maximum = setting->maximum;
    *step = setting->step;
    *defaultValue = setting->defaultValue;
    *caps = VideoProcAmp_Flags_Manual | (setting->automaticOffered ? VideoProcAmp_Flags_Auto : 0);
    return S_OK;
}

HRESULT CameraSettings::Set(Group group, long property, long value, long flags)
{
    std::lock_guard guard(lock_);
    auto* setting = const_cast<Setting*>(Find(group, property));
    if (setting == nullptr)
    {
        return E_PROP_ID_UNSUPPORTED;
    }
    const bool automatic = flags == VideoProcAmp_Flags_Auto;
    if ((!automatic && flags != VideoProcAmp_Flags_Manual) || (automatic && !setting->automaticOffered))
    {
        return E_INVALIDARG;
    }
    if (automatic)
    {
        // The camera takes over from where the value is.
        setting->automatic = true;
        return S_OK;
    }
    if (value < setting->minimum || value > setting->maximum)
    {
        return E_INVALIDARG;
    }
    setting->value = value;
    setting->automatic = false;
    return S_OK;
}

HRESULT CameraSettings::Get(Group group, long property, long* value, long* flags) const
{
    if (!value || !flags)
    {
        return E_POINTER;
    }
    std::lock_guard guard(lock_);
    const Setting* setting = Find(group, property);
    if (setting == nullptr)
    {
        return E_PROP_ID_UNSUPPORTED;
    }
    *value = setting->value;
    *flags = setting->automatic ? VideoProcAmp_Flags_Auto : VideoProcAmp_Flags_Manual;
    return S_OK;
}

PixelAdjustment CameraSettings::NextFrame()
{
    std::lock_guard guard(lock_);
    auto& [brightness, whiteBalance, gain, exposure] = settings_;
    if (exposure.automatic && ++frames_ >= DriftFrames)
    {
        // Down three steps from the default and back up, again and again.
        frames_ = 0;
        if (exposure.value + driftStep_ < DefaultExposure - 3 ||
            exposure.value + driftStep_ > DefaultExposure)
        {
            driftStep_ = -driftStep_;
        }
        exposure.value = std::clamp(exposure.value + driftStep_, exposure.minimum, exposure.maximum);
    }
    PixelAdjustment adjustment;
    adjustment.intensity = std::ldexp(1.0, static_cast<int>(exposure.value - DefaultExposure)) *
                           std::exp2(static_cast<double>(gain.value) / 16.0);
    adjustment.red = static_cast<double>(whiteBalance.value) / DefaultWhiteBalance;
    adjustment.blue = static_cast<double>(DefaultWhiteBalance) / static_cast<double>(whiteBalance.value);
    adjustment.offset = static_cast<int>(brightness.value);
    return adjustment;
}

} // namespace VirtualCamera
