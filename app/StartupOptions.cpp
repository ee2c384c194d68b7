#include "app/StartupOptions.h"

namespace TavixCapture
{

namespace
{
constexpr wchar_t Section[] = L"Application";
}

void StartupOptions::Load(const IniProfile& profile)
{
    IsDebugMessageEnabled = profile.ReadInt(Section, L"IsDebugMessageEnabled", IsDebugMessageEnabled) != 0;
    CaptureApiFamily = profile.ReadInt(Section, L"CaptureApiFamily", CaptureApiFamily);
    SkipErrorDevice = profile.ReadInt(Section, L"SkipErrorDevice", SkipErrorDevice) != 0;
    AllowDuplicateFrameFormat =
        profile.ReadInt(Section, L"AllowDuplicateFrameFormat", AllowDuplicateFrameFormat) != 0;
}

void StartupOptions::Save(const IniProfile& profile) const
{
    static_cast<void>(profile.WriteInt(Section, L"IsDebugMessageEnabled", IsDebugMessageEnabled ? 1 : 0));
    static_cast<void>(profile.WriteInt(Section, L"CaptureApiFamily", CaptureApiFamily));
    static_cast<void>(profile.WriteInt(Section, L"SkipErrorDevice", SkipErrorDevice ? 1 : 0));
    static_cast<void>(
        profile.WriteInt(Section, L"AllowDuplicateFrameFormat", AllowDuplicateFrameFormat ? 1 : 0));
}

} // namespace TavixCapture
