// TavixMeasure::Calibration: the user's length unit and scale (units per
// pixel), set by hand or by a line dragged over a known length. Without a
// valid calibration lengths are given in pixels. Any thread (a value type).
#pragma once

#include <string>

namespace TavixMeasure
{

struct Calibration
{
    std::wstring unit;  // for example L"µm"; empty: pixels only
    double scale = 1.0; // units per pixel

    // A unit was given and the scale is a finite positive number.
    bool IsValid() const;
    // `pixels` in the unit (pixels when not valid).
    double ToUnit(double pixels) const;
    // The unit's name, or "px" when not valid.
    std::wstring UnitName() const;
    // The scale that makes a line of `pixels` measure `knownLength`; false
    // (and nothing changed) for a line shorter than a pixel or a length
    // that is not a finite positive number.
    bool SetFromKnownLength(double pixels, double knownLength);
};

} // namespace TavixMeasure
