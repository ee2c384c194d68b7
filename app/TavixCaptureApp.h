// TavixCapture::TavixCaptureApp: the application object. Its start-up routine
// finds the configuration file next to the executable, reads and writes back
// section "Application", builds the MainModel, runs the main window on it and
// tears both down; any error that escapes is shown in the error box. A fault
// leaves a minidump (CrashReporter); after one inside a plug-in, the next
// start runs "なし" and says which library it was.
// UI thread.
#pragma once

#include "app/CaptureBackendFactory.h"
#include "app/StartupOptions.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace TavixCapture
{

class IniProfile;
class MainModel;

class TavixCaptureApp
{
public:
    // Runs the main window modally on the model until it closes.
    using MainWindowRunner = std::function<void(MainModel& model, const StartupOptions& options)>;

    TavixCaptureApp(CaptureBackendFactory backendFactory, MainWindowRunner runMainWindow);

    // The start-up routine; false: the program ends when it returns.
    bool InitInstance();
    // What the process returns: 0, or 1 when the start-up routine ended
    // with an error box.
    int GetExitCode() const { return exitCode_; }

    // Full path of the running executable, however long.
    static std::wstring GetExecutablePath();

private:
    // Installs the crash handler (minidumps in CrashReporter::DefaultFolder)
    // and takes the last run's note of a fault in a plug-in; with one, the
    // saved processor becomes "なし" and the message for the user is returned.
    static std::optional<std::wstring> StartCrashReports(const IniProfile& profile);

    CaptureBackendFactory backendFactory_;
    MainWindowRunner runMainWindow_;
    int exitCode_ = 0;
};

} // namespace TavixCapture
