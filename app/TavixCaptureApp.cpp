#include "app/TavixCaptureApp.h"

#include "Common/Exception.h"
#include "Common/TextHelpers.h"
#include "app/CrashReporter.h"
#include "app/ErrorBox.h"
#include "app/MainModel.h"

#include <commctrl.h>

namespace TavixCapture
{

TavixCaptureApp::TavixCaptureApp(CaptureBackendFactory backendFactory, MainWindowRunner runMainWindow)
    : backendFactory_(std::move(backendFactory)), runMainWindow_(std::move(runMainWindow))
{
}

std::wstring TavixCaptureApp::GetExecutablePath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;)
    {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
        {
            return std::wstring();
        }
        if (length < path.size())
        {
            path.resize(length);
            return path;
        }
        // Truncated: a longer path than the classic limit; try a larger buffer.
        path.resize(path.size() * 2);
    }
}

std::optional<std::wstring> TavixCaptureApp::StartCrashReports(const IniProfile& profile)
{
    try
    {
        const std::wstring folder = CrashReporter::DefaultFolder();
        CrashReporter::Install(folder);
        return CrashReporter::RecoverFromLastCrash(profile, folder);
    }
    catch (const Common::Exception&)
    {
        // No folder for crash reports: the program runs all the same.
        OutputDebugStringW(L"TavixCapture: no folder for crash reports.\n");
        return std::nullopt;
    }
}

bool TavixCaptureApp::InitInstance()
{
    exitCode_ = 0;
    INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX), 0xFF};
    InitCommonControlsEx(&controls);

    StartupOptions options;
    try
    {
        const std::wstring executable = GetExecutablePath();
        if (executable.empty())
        {
            throw Common::Exception(L"INIファイルを設定できませんでした。");
        }
        const IniProfile profile(IniProfile::PathForExecutable(executable));
        // Copies of the file left by a run that ended while saving.
        static_cast<void>(profile.RemoveStrayCopies());
        // A run that ended in a plug-in's fault: start on "なし" this time.
        const std::optional<std::wstring> crash = StartCrashReports(profile);

        options.Load(profile);
        // A read-only file does not stop the start: the options were read.
        static_cast<void>(options.Save(profile));

        // The model saves its settings while it is destroyed, at the end of this block.
        MainModel model(profile, backendFactory_, options.CaptureApiFamily, options.SkipErrorDevice,
                        options.AllowDuplicateFrameFormat, Common::GetDirectoryPart(executable));
        // A saved processor that failed to start was replaced by "なし": say
        // so, and run on.
        if (const std::exception_ptr processorError = model.TakeProcessorError())
        {
            ErrorBox::Show(nullptr, processorError, options.IsDebugMessageEnabled);
        }
        if (crash)
        {
            if (model.GetCurrentProcessorIndex() != 0)
            {
                model.SelectProcessor(0); // the file could not take "なし"
            }
            ErrorBox::Show(nullptr, std::make_exception_ptr(Common::Exception(*crash)), false);
        }
        if (runMainWindow_)
        {
            runMainWindow_(model, options);
        }
    }
    catch (...)
    {
        ErrorBox::Show(nullptr, std::current_exception(), options.IsDebugMessageEnabled);
        exitCode_ = 1;
    }
    return false;
}

} // namespace TavixCapture
