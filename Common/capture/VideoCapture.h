// Common::VideoCapture: the devices of one capture API. A backend fills
// `devices` in its constructor; the list never changes afterwards.
// UI thread.
#pragma once

#include "Common/capture/Device.h"

#include <memory>
#include <vector>

namespace Common
{

class VideoCapture
{
public:
    VideoCapture() = default;
    virtual ~VideoCapture() = default;
    VideoCapture(const VideoCapture&) = delete;
    VideoCapture& operator=(const VideoCapture&) = delete;

    std::vector<std::shared_ptr<Device>> devices;
};

} // namespace Common
