// Entry point: hands over to the application object.
#include "app/TavixCaptureApp.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    TavixCapture::TavixCaptureApp application(TavixCapture::CreateCaptureBackend, {});
    application.InitInstance();
    return application.GetExitCode();
}
