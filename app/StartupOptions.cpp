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

bool StartupOptions::Save(const IniProfile& profile) const
{
    IniProfile::Transaction transaction(profile);
    // A failed write fails the transaction, which Commit reports.
    profile.WriteInt(Section, L"IsDebugMessageEnabled", IsDebugMessageEnabled ? 1 : 0);
    profile.WriteInt(Section, L"CaptureApiFamily", CaptureApiFamily);
    profile.WriteInt(Section, L"SkipErrorDevice", SkipErrorDevice ? 1 : 0);
    profile.WriteInt(Section, L"AllowDuplicateFrameFormat", AllowDuplicateFrameFormat ? 1 : 0);
    return transaction.Commit();
}

} // namespace TavixCapture
