#include "Calibration.h"

#include <cmath>

namespace TavixMeasure
{

bool Calibration::IsValid() const
{
    return !unit.empty() && std::isfinite(scale) && scale > 0.0;
}

double Calibration::ToUnit(double pixels) const
{
    return IsValid() ? pixels * scale : pixels;
}

std::wstring Calibration::UnitName() const
{
    return IsValid() ? unit : std::wstring(L"px");
}

bool Calibration::SetFromKnownLength(double pixels, double knownLength)
{
    if (!std::isfinite(pixels) || pixels < 1.0 || !std::isfinite(knownLength) || knownLength <= 0.0)
    {
        return false;
    }
    scale = knownLength / pixels;
    return true;
}

} // namespace TavixMeasure
