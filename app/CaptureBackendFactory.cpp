#include "app/CaptureBackendFactory.h"

namespace TavixCapture
{

std::unique_ptr<Common::VideoCapture> CreateCaptureBackend(std::int32_t, bool, bool)
{
    // No platform backend is built in yet: the machine shows no device.
    return std::make_unique<Common::VideoCapture>();
}

} // namespace TavixCapture
