// How the model gets its capture backend: family 1 is DirectShow, any other
// value Media Foundation. The model takes the factory as an argument so that
// tests can hand it devices of their own. UI thread.
#pragma once

#include "Common/capture/VideoCapture.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace TavixCapture
{

using CaptureBackendFactory = std::function<std::unique_ptr<Common::VideoCapture>(
    std::int32_t captureApiFamily, bool skipErrorDevice, bool allowDuplicateFrameFormat)>;

// Builds the platform backend; it enumerates every device while it is built.
std::unique_ptr<Common::VideoCapture>
CreateCaptureBackend(std::int32_t captureApiFamily, bool skipErrorDevice, bool allowDuplicateFrameFormat);

} // namespace TavixCapture
