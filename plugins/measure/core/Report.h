// TavixMeasure report tables: the figures of a measurement as text cells,
// exactly as the page shows them, and their CSV (UTF-8) and tab-separated
// forms for files and the clipboard. A figure that is not defined shows as
// "—" and is an empty cell in CSV and tab-separated text. Any thread.
#pragma once

#include "Calibration.h"
#include "Measurement.h"

#include <string>
#include <vector>

namespace TavixMeasure
{

using Table = std::vector<std::vector<std::wstring>>;

inline constexpr wchar_t NotDefinedText[] = L"—";

// The page's name of a channel: "赤", "緑", "青", "輝度".
std::wstring ChannelName(Channel channel);
// `value` with `decimals` places and a point (whatever the locale), or "—".
std::wstring FormatNumber(double value, int decimals);

// The line's figures of the chosen channel: columns 項目, 値, 単位, 値, 単位
// (pixels, then the calibrated unit for lengths). Empty without a line.
Table LineTable(const Measurement& measurement, const Calibration& calibration);
// The region's figures: a block of channel statistics (項目, 赤, 緑, 青,
// 輝度; luma only when it is the chosen channel) and the spot's figures in
// the chosen channel. Empty without a region.
Table RegionTable(const Measurement& measurement, const Calibration& calibration);
// The profile's samples: position in pixels and in the unit, then red,
// green, blue and luma.
Table ProfileTable(const Measurement& measurement, const Calibration& calibration);
// The region's 256-bin histograms (値, 赤, 緑, 青, 輝度).
Table HistogramTable(const Measurement& measurement);
// The strip chart's points: time in seconds from the first point, then the
// values of `quantity` (lengths in the unit).
Table ChartTable(const std::vector<StripChart::Point>& points, ChartQuantity quantity,
                 const Calibration& calibration);

// Rows joined by CRLF; cells by commas (quoted where needed) or by tabs.
std::string ToCsv(const Table& table);
std::wstring ToTabSeparated(const Table& table);
// UTF-16 (or UTF-32 where wchar_t is 32 bits) to UTF-8; unpaired
// surrogates become U+FFFD.
std::string ToUtf8(const std::wstring& text);

} // namespace TavixMeasure
