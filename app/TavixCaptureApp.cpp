#include "app/TavixCaptureApp.h"

#include "Common/Exception.h"
#include "Common/TextHelpers.h"
#include "app/ErrorBox.h"
#include "app/MainModel.h"

#include <commctrl.h>

namespace TavixCapture
{

TavixCaptureApp::TavixCaptureApp(HINSTANCE instance, CaptureBackendFactory backendFactory,
                                 MainWindowRunner runMainWindow)
    : instance_(instance), backendFactory_(std::move(backendFactory)),
      runMainWindow_(std::move(runMainWindow))
{
}

const IniProfile& TavixCaptureApp::GetProfile() const
{
    if (!profile_)
    {
        throw Common::Exception(L"INIファイルを設定できませんでした。");
    }
    return *profile_;
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

bool TavixCaptureApp::InitInstance()
{
    INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX), 0xFF};
    InitCommonControlsEx(&controls);

    try
    {
        const std::wstring executable = GetExecutablePath();
        if (executable.empty())
        {
            throw Common::Exception(L"INIファイルを設定できませんでした。");
        }
        profile_.emplace(IniProfile::PathForExecutable(executable));

        options_.Load(*profile_);
        options_.Save(*profile_);

        auto model = std::make_unique<MainModel>(*profile_, backendFactory_, options_.CaptureApiFamily,
                                                 options_.SkipErrorDevice, options_.AllowDuplicateFrameFormat,
                                                 Common::GetDirectoryPart(executable));
        if (runMainWindow_)
        {
            runMainWindow_(*model, options_);
        }
        model.reset();
    }
    catch (...)
    {
        ErrorBox::Show(nullptr, std::current_exception(), options_.IsDebugMessageEnabled);
    }
    static_cast<void>(instance_);
    return false;
}

} // namespace TavixCapture
