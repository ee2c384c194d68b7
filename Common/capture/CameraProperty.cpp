#include "Common/capture/CameraProperty.h"

#include <algorithm>
#include <cmath>

namespace Common
{

const wchar_t* CameraProperty::GetKeyName(CameraPropertyId id)
{
    static constexpr const wchar_t* names[Count] = {L"Brightness",
                                                    L"Contrast",
                                                    L"Hue",
                                                    L"Saturation",
                                                    L"Sharpness",
                                                    L"Gamma",
                                                    L"ColorEnable",
                                                    L"WhiteBalance",
                                                    L"BacklightCompensation",
                                                    L"Gain",
                                                    L"PowerLineFrequency",
                                                    L"Pan",
                                                    L"Tilt",
                                                    L"Roll",
                                                    L"Zoom",
                                                    L"Exposure",
                                                    L"Iris",
                                                    L"Focus"};
    const int index = static_cast<int>(id);
    return index >= 0 && index < Count ? names[index] : L"";
}

double CameraProperty::ExposureSeconds(std::int32_t exposure)
{
    return std::ldexp(1.0, exposure);
}

std::int32_t CameraProperty::Clamp(std::int32_t wanted) const
{
    const std::int64_t low = std::min(minimum, maximum);
    const std::int64_t high = std::max(minimum, maximum);
    std::int64_t result = std::clamp<std::int64_t>(wanted, low, high);
    if (step > 1)
    {
        // Round half up to a step from the bottom, without leaving the range.
        const std::int64_t steps = (result - low + step / 2) / step;
        result = low + steps * step;
        if (result > high)
        {
            result -= step;
        }
    }
    return static_cast<std::int32_t>(result);
}

} // namespace Common
