#pragma once
#include <windows.h>
namespace TavixCapture
{
class TavixCaptureApp
{
public:
    explicit TavixCaptureApp(HINSTANCE instance) : instance_(instance) {}
    int Run() { return 0; }

private:
    HINSTANCE instance_;
};
} // namespace TavixCapture
