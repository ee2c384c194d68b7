#include "app/ModelSettings.h"

#include <cstddef>
#include <iterator>
#include <limits>

namespace TavixCapture
{

namespace
{

constexpr wchar_t Section[] = L"Settings";

// What a value out of range becomes.
enum class OutOfRange
{
    Nearest, // clamped to the range
    Default, // the key's default
};

struct IntegerSetting
{
    ModelSettings::Key key;
    const wchar_t* name;
    std::int32_t defaultValue;
    std::int32_t lowest;
    std::int32_t highest;
    OutOfRange outOfRange;
};

constexpr std::int32_t Any = std::numeric_limits<std::int32_t>::max();

// Booleans are read as "non-zero is true" before they are checked; the
// marker position is checked against the frame by the model.
constexpr IntegerSetting Table[] = {
    {ModelSettings::Key::ViewRatio, L"ViewRatio", 100, 10, 1000, OutOfRange::Nearest},
    {ModelSettings::Key::IsMarkerVisible, L"IsMarkerVisible", 0, 0, 1, OutOfRange::Default},
    {ModelSettings::Key::MarkerPositionX, L"MarkerPositionX", 0, -Any - 1, Any, OutOfRange::Default},
    {ModelSettings::Key::MarkerPositionY, L"MarkerPositionY", 0, -Any - 1, Any, OutOfRange::Default},
    // A colour 0x00BBGGRR; anything with a high byte is no colour.
    {ModelSettings::Key::MarkerColor, L"MarkerColor", 0x0000FF00, 0, 0x00FFFFFF, OutOfRange::Default},
    {ModelSettings::Key::IsProfileVisible, L"IsProfileVisible", 0, 0, 1, OutOfRange::Default},
    {ModelSettings::Key::IsSidePaneVisible, L"IsSidePaneVisible", 0, 0, 1, OutOfRange::Default},
    // 0 the capture settings, 1 the processor's page.
    {ModelSettings::Key::ControlPanelPage, L"ControlPanelPage", 0, 0, 2, OutOfRange::Default},
    {ModelSettings::Key::IsStatusBarVisible, L"IsStatusBarVisible", 1, 0, 1, OutOfRange::Default},
    // 0 the snapped frame, 1 every frame.
    {ModelSettings::Key::SaveTarget, L"SaveTarget", 0, 0, 1, OutOfRange::Default},
    // 0 bitmap, 1 JPEG, 2 PNG, 3 TIFF, 4 AVI, 5 WMV, 6 MPEG-4.
    {ModelSettings::Key::FileFormat, L"FileFormat", 0, 0, 6, OutOfRange::Default},
    // kbps, the range of the panel's bit-rate controls.
    {ModelSettings::Key::MovieBitRate, L"MovieBitRate", 5000, 100, 20000, OutOfRange::Nearest},
};

const IntegerSetting& Setting(ModelSettings::Key key)
{
    return Table[static_cast<std::size_t>(key)];
}

bool IsBoolean(ModelSettings::Key key)
{
    return key == ModelSettings::Key::IsMarkerVisible || key == ModelSettings::Key::IsProfileVisible ||
           key == ModelSettings::Key::IsSidePaneVisible || key == ModelSettings::Key::IsStatusBarVisible;
}

// The stored value of an integer key, `current` when it is missing.
std::int32_t ReadInteger(const IniProfile& profile, ModelSettings::Key key, std::int32_t current)
{
    std::int32_t value = profile.ReadInt(Section, ModelSettings::Name(key), current);
    if (IsBoolean(key))
    {
        value = value != 0 ? 1 : 0;
    }
    return ModelSettings::Valid(key, value);
}

} // namespace

static_assert(std::size(Table) == static_cast<std::size_t>(ModelSettings::Key::MovieBitRate) + 1);

const wchar_t* ModelSettings::Name(Key key)
{
    return Setting(key).name;
}

std::int32_t ModelSettings::Valid(Key key, std::int32_t value)
{
    const IntegerSetting& setting = Setting(key);
    if (value >= setting.lowest && value <= setting.highest)
    {
        return value;
    }
    if (setting.outOfRange == OutOfRange::Default)
    {
        return setting.defaultValue;
    }
    return value < setting.lowest ? setting.lowest : setting.highest;
}

ModelSettings::Values ModelSettings::Read(const IniProfile& profile, const Values& current)
{
    Values values = current;
    values.captureDeviceName = profile.ReadString(Section, L"CaptureDeviceName", current.captureDeviceName);
    values.frameFormatName = profile.ReadString(Section, L"FrameFormatName", current.frameFormatName);
    // No stored name chooses as an unknown one does.
    values.processorName = profile.ReadString(Section, L"ProcessorName", L"");
    const auto read = [&profile](Key key, std::int32_t value) { return ReadInteger(profile, key, value); };
    values.viewRatio = read(Key::ViewRatio, current.viewRatio);
    values.isMarkerVisible = read(Key::IsMarkerVisible, current.isMarkerVisible) != 0;
    values.markerPosition.x = read(Key::MarkerPositionX, current.markerPosition.x);
    values.markerPosition.y = read(Key::MarkerPositionY, current.markerPosition.y);
    values.markerColor =
        static_cast<std::uint32_t>(read(Key::MarkerColor, static_cast<std::int32_t>(current.markerColor)));
    values.isProfileVisible = read(Key::IsProfileVisible, current.isProfileVisible) != 0;
    values.isSidePaneVisible = read(Key::IsSidePaneVisible, current.isSidePaneVisible) != 0;
    values.controlPanelPage = read(Key::ControlPanelPage, current.controlPanelPage.value_or(0));
    values.isStatusBarVisible = read(Key::IsStatusBarVisible, current.isStatusBarVisible) != 0;
    values.saveTarget = read(Key::SaveTarget, current.saveTarget);
    values.fileFormat = read(Key::FileFormat, current.fileFormat);
    values.movieBitRate = read(Key::MovieBitRate, current.movieBitRate);
    return values;
}

bool ModelSettings::Write(const IniProfile& profile, const Values& values)
{
    // One change of the file: a write that fails leaves the whole earlier file.
    IniProfile::Transaction transaction(profile);
    bool written = true;
    const auto text = [&](const wchar_t* key, const std::wstring& value)
    { written = written && profile.WriteString(Section, key, value); };
    const auto integer = [&](Key key, std::int32_t value)
    { written = written && profile.WriteInt(Section, Name(key), value); };

    text(L"CaptureDeviceName", values.captureDeviceName);
    text(L"FrameFormatName", values.frameFormatName);
    if (values.processorName)
    {
        text(L"ProcessorName", *values.processorName);
    }
    integer(Key::ViewRatio, values.viewRatio);
    integer(Key::IsMarkerVisible, values.isMarkerVisible ? 1 : 0);
    integer(Key::MarkerPositionX, values.markerPosition.x);
    integer(Key::MarkerPositionY, values.markerPosition.y);
    integer(Key::MarkerColor, static_cast<std::int32_t>(values.markerColor));
    integer(Key::IsProfileVisible, values.isProfileVisible ? 1 : 0);
    integer(Key::IsSidePaneVisible, values.isSidePaneVisible ? 1 : 0);
    if (values.controlPanelPage)
    {
        integer(Key::ControlPanelPage, *values.controlPanelPage);
    }
    integer(Key::IsStatusBarVisible, values.isStatusBarVisible ? 1 : 0);
    integer(Key::SaveTarget, values.saveTarget);
    integer(Key::FileFormat, values.fileFormat);
    integer(Key::MovieBitRate, values.movieBitRate);
    return written && transaction.Commit();
}

} // namespace TavixCapture
