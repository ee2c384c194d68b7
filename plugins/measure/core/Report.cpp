#include "Report.h"

#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <utility>

namespace TavixMeasure
{

namespace
{

constexpr int IntensityDecimals = 1;
constexpr int LengthDecimals = 2;

std::wstring Percent(double share)
{
    return FormatNumber(share * 100.0, 3);
}

void AddLength(Table& table, const std::wstring& label, double pixels, const Calibration& calibration)
{
    table.push_back({label, FormatNumber(pixels, LengthDecimals), L"px",
                     FormatNumber(calibration.ToUnit(pixels), calibration.IsValid() ? 4 : LengthDecimals),
                     calibration.UnitName()});
}

void AddIntensity(Table& table, const std::wstring& label, double value)
{
    table.push_back({label, FormatNumber(value, IntensityDecimals), L"", L"", L""});
}

struct Figure
{
    const wchar_t* label;
    double value;
};

void AddIntensities(Table& table, std::initializer_list<Figure> figures)
{
    for (const Figure& figure : figures)
    {
        AddIntensity(table, figure.label, figure.value);
    }
}

void AddLengths(Table& table, std::initializer_list<Figure> figures, const Calibration& calibration)
{
    for (const Figure& figure : figures)
    {
        AddLength(table, figure.label, figure.value, calibration);
    }
}

// How the 4-sigma iteration ended: the windows it took, or that it did not
// settle ("—" when there was no signal to start from).
void AddIterations(Table& table, int iterations, bool converged)
{
    if (converged)
    {
        table.push_back({L"4σ の反復", std::to_wstring(iterations), L"回", L"", L""});
    }
    else
    {
        table.push_back({L"4σ の反復", iterations > 0 ? L"収束せず" : NotDefinedText, L"", L"", L""});
    }
}

std::wstring Cell(const std::wstring& cell)
{
    return cell == NotDefinedText ? std::wstring() : cell;
}

} // namespace

std::wstring ChannelName(Channel channel)
{
    switch (channel)
    {
    case Channel::Red:
        return L"赤";
    case Channel::Green:
        return L"緑";
    case Channel::Blue:
        return L"青";
    case Channel::Luma:
        break;
    }
    return L"輝度";
}

std::wstring FormatNumber(double value, int decimals)
{
    if (!std::isfinite(value))
    {
        return NotDefinedText;
    }
    char text[64];
    std::snprintf(text, sizeof(text), "%.*f", decimals, value);
    std::wstring result;
    for (const char* c = text; *c != '\0'; ++c)
    {
        result += static_cast<wchar_t>(*c == ',' ? '.' : *c);
    }
    // No "-0.00": a value that rounds to zero has no sign.
    if (!result.empty() && result[0] == L'-' && result.find_first_not_of(L"0.", 1) == std::wstring::npos)
    {
        result.erase(0, 1);
    }
    return result;
}

Table LineTable(const Measurement& measurement, const Calibration& calibration)
{
    Table table;
    if (!measurement.hasLine)
    {
        return table;
    }
    const ProfileStatistics& s = measurement.lineStatistics;
    table.push_back(
        {L"線 (" + ChannelName(measurement.settings.channel) + L")", L"値", L"単位", L"値", L"単位"});
    AddLength(table, L"長さ", measurement.profile.Line().Length(), calibration);
    AddIntensities(table, {{L"最小", s.minimum},
                           {L"最大", s.maximum},
                           {L"平均", s.mean},
                           {L"標準偏差", s.standardDeviation},
                           {L"ベースライン", s.baseline}});
    AddLengths(table,
               {{L"ピーク位置", s.peakPosition},
                {L"重心", s.centroid},
                {L"半値全幅", s.fwhm},
                {L"1/e² 幅", s.widthE2},
                {L"4σ 幅", s.width4Sigma}},
               calibration);
    AddIterations(table, s.iterations, s.converged);
    return table;
}

Table RegionTable(const Measurement& measurement, const Calibration& calibration)
{
    Table table;
    if (!measurement.hasRegion)
    {
        return table;
    }
    const RegionStatistics& region = measurement.region;
    const Rect& r = region.Region();
    table.push_back({L"領域", std::to_wstring(r.x) + L", " + std::to_wstring(r.y), L"px",
                     std::to_wstring(r.width) + L" × " + std::to_wstring(r.height), L"px"});
    table.push_back({L"項目", L"赤", L"緑", L"青", L"輝度"});
    // A channel that was not measured (luma when another is chosen) has
    // no figures.
    using Format = std::wstring (*)(const ChannelStatistics&);
    const std::pair<const wchar_t*, Format> rows[] = {
        {L"平均", [](const ChannelStatistics& s) { return FormatNumber(s.mean, 2); }},
        {L"標準偏差", [](const ChannelStatistics& s) { return FormatNumber(s.standardDeviation, 2); }},
        {L"最小", [](const ChannelStatistics& s) { return std::to_wstring(s.minimum); }},
        {L"最大", [](const ChannelStatistics& s) { return std::to_wstring(s.maximum); }},
        {L"飽和 (255) %", [](const ChannelStatistics& s) { return Percent(s.saturatedShare); }},
        {L"黒 (0) %", [](const ChannelStatistics& s) { return Percent(s.blackShare); }},
    };
    for (const auto& [label, format] : rows)
    {
        std::vector<std::wstring> cells{label};
        for (int c = 0; c < ChannelCount; ++c)
        {
            const ChannelStatistics& statistics = region.StatisticsOf(static_cast<Channel>(c));
            cells.push_back(statistics.count > 0 ? format(statistics) : NotDefinedText);
        }
        table.push_back(std::move(cells));
    }
    const SpotStatistics& spot = region.Spot();
    table.push_back(
        {L"スポット (" + ChannelName(region.SpotChannel()) + L")", L"値", L"単位", L"値", L"単位"});
    AddIntensity(table, L"背景", spot.background);
    AddLengths(table,
               {{L"重心 x", spot.centroidX},
                {L"重心 y", spot.centroidY},
                {L"4σ 幅 x", spot.width4SigmaX},
                {L"4σ 幅 y", spot.width4SigmaY}},
               calibration);
    AddIterations(table, spot.iterations, spot.converged);
    return table;
}

Table ProfileTable(const Measurement& measurement, const Calibration& calibration)
{
    Table table;
    table.push_back({L"位置 [px]", L"位置 [" + calibration.UnitName() + L"]", L"赤", L"緑", L"青", L"輝度"});
    if (!measurement.hasLine)
    {
        return table;
    }
    const LineProfile& profile = measurement.profile;
    for (int i = 0; i < profile.Count(); ++i)
    {
        const double position = profile.Position(i);
        std::vector<std::wstring> cells{FormatNumber(position, LengthDecimals),
                                        FormatNumber(calibration.ToUnit(position), 4)};
        for (int c = 0; c < ChannelCount; ++c)
        {
            cells.push_back(FormatNumber(profile.Values(static_cast<Channel>(c))[i], 2));
        }
        table.push_back(std::move(cells));
    }
    return table;
}

Table HistogramTable(const Measurement& measurement)
{
    Table table;
    table.push_back({L"値", L"赤", L"緑", L"青", L"輝度"});
    if (!measurement.hasRegion)
    {
        return table;
    }
    for (int v = 0; v < 256; ++v)
    {
        std::vector<std::wstring> cells{std::to_wstring(v)};
        for (int c = 0; c < ChannelCount; ++c)
        {
            const auto channel = static_cast<Channel>(c);
            cells.push_back(
                measurement.region.StatisticsOf(channel).count > 0
                    ? std::to_wstring(measurement.region.HistogramOf(channel)[static_cast<std::size_t>(v)])
                    : NotDefinedText);
        }
        table.push_back(std::move(cells));
    }
    return table;
}

Table ChartTable(const std::vector<StripChart::Point>& points, ChartQuantity quantity,
                 const Calibration& calibration)
{
    Table table;
    if (quantity == ChartQuantity::RegionMean)
    {
        table.push_back({L"時刻 [s]", L"赤 平均", L"緑 平均", L"青 平均", L"輝度 平均"});
    }
    else if (quantity == ChartQuantity::LinePeak)
    {
        table.push_back({L"時刻 [s]", L"線の最大値"});
    }
    else
    {
        table.push_back({L"時刻 [s]", L"半値全幅 [px]", L"半値全幅 [" + calibration.UnitName() + L"]"});
    }
    const double start = points.empty() ? 0.0 : points.front().time;
    for (const StripChart::Point& point : points)
    {
        std::vector<std::wstring> cells{FormatNumber(point.time - start, 3)};
        if (quantity == ChartQuantity::RegionMean)
        {
            for (double value : point.values)
            {
                cells.push_back(FormatNumber(value, 2));
            }
        }
        else if (quantity == ChartQuantity::LinePeak)
        {
            cells.push_back(FormatNumber(point.values[0], IntensityDecimals));
        }
        else
        {
            cells.push_back(FormatNumber(point.values[0], LengthDecimals));
            cells.push_back(FormatNumber(calibration.ToUnit(point.values[0]), 4));
        }
        table.push_back(std::move(cells));
    }
    return table;
}

std::string ToCsv(const Table& table)
{
    std::wstring text;
    for (const auto& row : table)
    {
        for (std::size_t i = 0; i < row.size(); ++i)
        {
            if (i > 0)
            {
                text += L',';
            }
            const std::wstring cell = Cell(row[i]);
            if (cell.find_first_of(L",\"\r\n") == std::wstring::npos)
            {
                text += cell;
                continue;
            }
            text += L'"';
            for (wchar_t c : cell)
            {
                if (c == L'"')
                {
                    text += L'"';
                }
                text += c;
            }
            text += L'"';
        }
        text += L"\r\n";
    }
    return ToUtf8(text);
}

std::wstring ToTabSeparated(const Table& table)
{
    std::wstring text;
    for (const auto& row : table)
    {
        for (std::size_t i = 0; i < row.size(); ++i)
        {
            if (i > 0)
            {
                text += L'\t';
            }
            for (wchar_t c : Cell(row[i]))
            {
                text += (c == L'\t' || c == L'\r' || c == L'\n') ? L' ' : c;
            }
        }
        text += L"\r\n";
    }
    return text;
}

std::string ToUtf8(const std::wstring& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        std::uint32_t code = static_cast<std::uint32_t>(text[i]);
        if constexpr (sizeof(wchar_t) == 2)
        {
            code &= 0xFFFFu;
            if (code >= 0xD800 && code < 0xDC00 && i + 1 < text.size())
            {
                const std::uint32_t low = static_cast<std::uint32_t>(text[i + 1]) & 0xFFFFu;
                if (low >= 0xDC00 && low < 0xE000)
                {
                    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                }
            }
        }
        if ((code >= 0xD800 && code < 0xE000) || code > 0x10FFFF)
        {
            code = 0xFFFD;
        }
        if (code < 0x80)
        {
            out += static_cast<char>(code);
        }
        else if (code < 0x800)
        {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
        else if (code < 0x10000)
        {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
        else
        {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

} // namespace TavixMeasure
