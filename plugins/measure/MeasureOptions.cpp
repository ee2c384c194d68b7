#include "MeasureOptions.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cwchar>

namespace TavixMeasure
{

namespace
{

const std::wstring Section = L"Measure";

template <class Enum>
Enum ReadEnum(Tavix::Framework::IHostServices& host, const wchar_t* key, Enum value, int last)
{
    const INT32 read = host.GetProfileInt(Section, key, static_cast<INT32>(value));
    return read >= 0 && read <= last ? static_cast<Enum>(read) : value;
}

bool ReadBool(Tavix::Framework::IHostServices& host, const wchar_t* key, bool value)
{
    return host.GetProfileInt(Section, key, value ? 1 : 0) != 0;
}

double ReadNumber(Tavix::Framework::IHostServices& host, const wchar_t* key, double value)
{
    double read = 0.0;
    return ParseNumber(host.GetProfileString(Section, key, NumberText(value)), read) ? read : value;
}

} // namespace

std::wstring NumberText(double value)
{
    wchar_t text[64];
    std::swprintf(text, 64, L"%.10g", value);
    for (wchar_t* c = text; *c != L'\0'; ++c)
    {
        if (*c == L',')
        {
            *c = L'.';
        }
    }
    return text;
}

bool ParseNumber(const std::wstring& text, double& value)
{
    const std::size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos)
    {
        return false;
    }
    const wchar_t* start = text.c_str() + first;
    wchar_t* end = nullptr;
    const double read = std::wcstod(start, &end);
    while (end != nullptr && (*end == L' ' || *end == L'\t'))
    {
        ++end;
    }
    if (end == start || end == nullptr || *end != L'\0' || !std::isfinite(read))
    {
        return false;
    }
    value = read;
    return true;
}

void MeasureOptions::Load(Tavix::Framework::IHostServices& host)
{
    mouseMode = ReadEnum(host, L"Mode", mouseMode, 3);
    measure.channel = ReadEnum(host, L"Channel", measure.channel, 3);
    measure.interpolation = ReadEnum(host, L"Interpolation", measure.interpolation, 1);
    measure.baselineMode = ReadEnum(host, L"BaselineMode", measure.baselineMode, 1);
    measure.baseline = ReadNumber(host, L"Baseline", measure.baseline);
    measure.hasLine = ReadBool(host, L"IsLineSet", measure.hasLine);
    measure.line.x0 = ReadNumber(host, L"LineX0", measure.line.x0);
    measure.line.y0 = ReadNumber(host, L"LineY0", measure.line.y0);
    measure.line.x1 = ReadNumber(host, L"LineX1", measure.line.x1);
    measure.line.y1 = ReadNumber(host, L"LineY1", measure.line.y1);
    measure.hasRegion = ReadBool(host, L"IsRegionSet", measure.hasRegion);
    measure.region.x = host.GetProfileInt(Section, L"RegionX", measure.region.x);
    measure.region.y = host.GetProfileInt(Section, L"RegionY", measure.region.y);
    measure.region.width = std::max(0, host.GetProfileInt(Section, L"RegionWidth", measure.region.width));
    measure.region.height = std::max(0, host.GetProfileInt(Section, L"RegionHeight", measure.region.height));
    measure.showSaturation = ReadBool(host, L"IsSaturationVisible", measure.showSaturation);
    measure.markBlack = ReadBool(host, L"IsBlackVisible", measure.markBlack);
    showProfile = ReadBool(host, L"IsProfileVisible", showProfile);
    histogramLog = ReadBool(host, L"IsHistogramLog", histogramLog);
    chartQuantity = ReadEnum(host, L"ChartQuantity", chartQuantity, 2);
    chartSeconds = std::clamp(host.GetProfileInt(Section, L"ChartSeconds", chartSeconds), 1, MaxChartSeconds);
    calibration.unit = host.GetProfileString(Section, L"Unit", calibration.unit);
    calibration.scale = ReadNumber(host, L"Scale", calibration.scale);
    knownLength = ReadNumber(host, L"KnownLength", knownLength);
}

bool MeasureOptions::Save(Tavix::Framework::IHostServices& host) const
{
    bool ok = true;
    auto integer = [&](const wchar_t* key, int value)
    { ok = SUCCEEDED(host.WriteProfileInt(Section, key, value)) && ok; };
    auto number = [&](const wchar_t* key, double value)
    { ok = SUCCEEDED(host.WriteProfileString(Section, key, NumberText(value))) && ok; };
    integer(L"Mode", static_cast<int>(mouseMode));
    integer(L"Channel", static_cast<int>(measure.channel));
    integer(L"Interpolation", static_cast<int>(measure.interpolation));
    integer(L"BaselineMode", static_cast<int>(measure.baselineMode));
    number(L"Baseline", measure.baseline);
    integer(L"IsLineSet", measure.hasLine ? 1 : 0);
    number(L"LineX0", measure.line.x0);
    number(L"LineY0", measure.line.y0);
    number(L"LineX1", measure.line.x1);
    number(L"LineY1", measure.line.y1);
    integer(L"IsRegionSet", measure.hasRegion ? 1 : 0);
    integer(L"RegionX", measure.region.x);
    integer(L"RegionY", measure.region.y);
    integer(L"RegionWidth", measure.region.width);
    integer(L"RegionHeight", measure.region.height);
    integer(L"IsSaturationVisible", measure.showSaturation ? 1 : 0);
    integer(L"IsBlackVisible", measure.markBlack ? 1 : 0);
    integer(L"IsProfileVisible", showProfile ? 1 : 0);
    integer(L"IsHistogramLog", histogramLog ? 1 : 0);
    integer(L"ChartQuantity", static_cast<int>(chartQuantity));
    integer(L"ChartSeconds", chartSeconds);
    ok = SUCCEEDED(host.WriteProfileString(Section, L"Unit", calibration.unit)) && ok;
    number(L"Scale", calibration.scale);
    number(L"KnownLength", knownLength);
    return ok;
}

} // namespace TavixMeasure
