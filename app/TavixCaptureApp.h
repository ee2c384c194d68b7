// TavixCapture::TavixCaptureApp: the application object. Its start-up routine
// finds the configuration file next to the executable, reads and writes back
// section "Application", builds the MainModel, runs the main window on it and
// tears both down; any error that escapes is shown in the error box.
// UI thread.
#pragma once

#include "app/CaptureBackendFactory.h"
#include "app/IniProfile.h"
#include "app/StartupOptions.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace TavixCapture
{

class MainModel;

class TavixCaptureApp
{
public:
    // Runs the main window modally on the model until it closes.
    using MainWindowRunner = std::function<void(MainModel& model, const StartupOptions& options)>;

    TavixCaptureApp(HINSTANCE instance, CaptureBackendFactory backendFactory, MainWindowRunner runMainWindow);

    // The start-up routine; false: the program ends when it returns.
    bool InitInstance();

    const StartupOptions& GetOptions() const { return options_; }
    const IniProfile& GetProfile() const;

    // Full path of the running executable, however long.
    static std::wstring GetExecutablePath();

private:
    HINSTANCE instance_;
    CaptureBackendFactory backendFactory_;
    MainWindowRunner runMainWindow_;
    StartupOptions options_;
    std::optional<IniProfile> profile_;
};

} // namespace TavixCapture
