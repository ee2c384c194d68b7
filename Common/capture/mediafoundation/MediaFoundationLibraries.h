// Common::MediaFoundationLibraries: whether the Media Foundation DLLs
// (mfplat, mf, mfreadwrite) can be loaded. The program links them
// delay-loaded, so that it starts on Windows editions without the media
// components (N editions) and captures there through DirectShow; they are
// checked before Media Foundation is started. Should a call reach one of them
// all the same, it fails with an HRESULT (ERROR_MOD_NOT_FOUND or
// ERROR_PROC_NOT_FOUND) instead of ending the program. Any thread.
#pragma once

namespace Common
{

class MediaFoundationLibraries
{
public:
    // True when every one of the DLLs loads from the system folder.
    static bool AreAvailable() noexcept;
};

} // namespace Common
