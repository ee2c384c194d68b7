// Entry point: hands over to the application object, which runs the main
// window on the model.
#include "app/TavixCaptureApp.h"
#include "ui/MainWindow.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    TavixCapture::TavixCaptureApp application(TavixCapture::CreateCaptureBackend,
                                              &TavixCapture::MainWindow::Run);
    application.InitInstance();
    return application.GetExitCode();
}
