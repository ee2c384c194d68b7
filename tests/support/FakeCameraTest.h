// The fixture of the window suites: the program's model over two fake
// cameras and a fresh INI file in a folder of its own. "Camera 0" (YUY2
// 640x480 and 320x240) is selected at start; "Camera 1" offers MJPG
// 1920x1080 and 1280x720 and NV12 800x600. The profile and the cameras may
// be prepared before MakeModel. UI thread.
#pragma once

#include "app/MainModel.h"
#include "support/FakeCapture.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>

namespace TestSupport
{

class FakeCameraTest : public testing::Test
{
protected:
    FakeCameraTest();
    // Builds `model` over the fake cameras, or through `factory` when given.
    void MakeModel(TavixCapture::CaptureBackendFactory factory = nullptr, std::int32_t captureApiFamily = 0);
    // Writes paint(x, y) (0xAARRGGBB) into every pixel of the first camera's
    // frame, under its frame lock, and announces the frame.
    void ShowFrame(const std::function<std::uint32_t(int x, int y)>& paint);

    TempFolder folder;
    TavixCapture::IniProfile profile;
    std::shared_ptr<FakeDevice> camera0;
    std::shared_ptr<FakeDevice> camera1;
    std::unique_ptr<TavixCapture::MainModel> model;
};

} // namespace TestSupport
