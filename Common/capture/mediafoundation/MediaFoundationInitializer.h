// Common::MediaFoundationInitializer: starts the Media Foundation platform for
// the holder's lifetime (MFStartup, full start-up) and shuts it down again.
// The main model holds one after its ComInitializer: required for the Media
// Foundation backend, and started only where the platform has it for the
// DirectShow backend (movies as WMV and MP4 need it). UI thread.
#pragma once

namespace Common
{

class MediaFoundationInitializer
{
public:
    // Raises Exception when MFStartup fails, or when the Media Foundation
    // DLLs are missing and `required` says so (otherwise nothing is started).
    explicit MediaFoundationInitializer(bool required = true);
    // Shuts the platform down unless Shutdown() already did; a failure here is
    // only written to the debugger output, since a destructor must not throw.
    ~MediaFoundationInitializer();
    MediaFoundationInitializer(const MediaFoundationInitializer&) = delete;
    MediaFoundationInitializer& operator=(const MediaFoundationInitializer&) = delete;

    // Shuts the platform down now and raises Exception when MFShutdown fails.
    // Called at most once with effect; later calls (and the destructor) do
    // nothing. For owners that want to see the teardown result.
    void Shutdown();

    // The text of the error raised when the DLLs are missing.
    static const wchar_t* MissingText();

private:
    bool started_ = false;
};

} // namespace Common
