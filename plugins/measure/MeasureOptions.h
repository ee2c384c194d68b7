// TavixMeasure::MeasureOptions: every setting of the measurement page, kept
// in the program's configuration file through the host's profile functions
// (section "Measure"). UI thread.
#pragma once

#include "Calibration.h"
#include "Measurement.h"

#include "framework/IHostServices.h"

namespace TavixMeasure
{

// What a drag over the preview does.
enum class MouseMode
{
    None = 0,        // nothing: the preview pans as usual
    Line = 1,        // draws the line of the profile
    Region = 2,      // draws the region rectangle
    Calibration = 3, // a line over a known length sets the scale
};

struct MeasureOptions
{
    MouseMode mouseMode = MouseMode::Line;
    MeasureSettings measure;
    bool showProfile = true;
    bool histogramLog = false;
    ChartQuantity chartQuantity = ChartQuantity::RegionMean;
    int chartSeconds = 30; // 1 .. MaxChartSeconds
    Calibration calibration;
    double knownLength = 1.0; // of the calibration line, in the unit

    static constexpr int MaxChartSeconds = 600;

    // Reads every setting; missing or bad values keep their defaults.
    void Load(Tavix::Framework::IHostServices& host);
    // Writes every setting; false when the host could not write one.
    bool Save(Tavix::Framework::IHostServices& host) const;
};

// A number as the page shows and the profile keeps it (point, no exponent
// for ordinary values), and its reading; false for text that is not a
// whole finite number.
std::wstring NumberText(double value);
bool ParseNumber(const std::wstring& text, double& value);

} // namespace TavixMeasure
