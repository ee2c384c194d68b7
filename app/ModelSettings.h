// TavixCapture::ModelSettings: section "Settings" of the configuration, the
// model's state between runs. One table holds every key with its default
// and its valid values, and the section is read and written here only.
//
// A value out of its range is read as the nearest valid one where the values
// form a scale (the zoom, the bit rate) and as the key's default where they
// name a choice (save target, file format, page, colour): what the program
// shows, what it does and what it saves is then one and the same value.
// UI thread.
#pragma once

#include "app/IniProfile.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace TavixCapture
{

class ModelSettings
{
public:
    // The integer keys, in the order they are written.
    enum class Key
    {
        ViewRatio,
        IsMarkerVisible,
        MarkerPositionX,
        MarkerPositionY,
        MarkerColor,
        IsProfileVisible,
        IsSidePaneVisible,
        ControlPanelPage,
        IsStatusBarVisible,
        SaveTarget,
        FileFormat,
        MovieBitRate,
    };

    struct Values
    {
        std::wstring captureDeviceName;
        std::wstring frameFormatName;
        // Saved only while plug-in processors exist (a run without them
        // keeps the processor and page an earlier run stored).
        std::optional<std::wstring> processorName;
        std::int32_t viewRatio = 100;
        bool isMarkerVisible = false;
        POINT markerPosition = {0, 0};
        std::uint32_t markerColor = 0x0000FF00;
        bool isProfileVisible = false;
        bool isSidePaneVisible = false;
        std::optional<std::int32_t> controlPanelPage;
        bool isStatusBarVisible = true;
        std::int32_t saveTarget = 0;
        std::int32_t fileFormat = 0;
        std::int32_t movieBitRate = 5000;
    };

    // The key's name in the file.
    static const wchar_t* Name(Key key);
    // `value` if the key takes it; else the nearest valid value or the
    // key's default (see above).
    static std::int32_t Valid(Key key, std::int32_t value);

    // The stored values; a missing key gives its value in `current` (the
    // marker's centre, for example), a bad one as described above.
    static Values Read(const IniProfile& profile, const Values& current);
    // Writes every key as one change of the file; false when it failed,
    // and the file then keeps its earlier content.
    static bool Write(const IniProfile& profile, const Values& values);
};

} // namespace TavixCapture
