// FakeCameras: two fake devices and a temporary folder with the INI file, and
// program models built on them. "cam0" ("Camera 0") offers YUY2 640x480 and
// 320x240 at 30 fps, "cam1" ("Camera 1") NV12 160x120 at 15 fps unless other
// formats are given. A test thread may deliver frames of either device while
// a model uses them.
#pragma once

#include "app/MainModel.h"
#include "support/FakeCapture.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

namespace TestSupport
{

struct FakeCameras
{
    explicit FakeCameras(std::initializer_list<FormatInfo> cam1Formats = {{L"NV12", 160, 120, 15.0}});

    TavixCapture::CaptureBackendFactory Factory();
    // The program folder (where plug-ins are looked for) is `folder` unless given.
    std::unique_ptr<TavixCapture::MainModel> MakeModel(const std::wstring& programFolder = L"");

    TempFolder folder;
    TavixCapture::IniProfile profile;
    std::shared_ptr<FakeDevice> cam0;
    std::shared_ptr<FakeDevice> cam1;
};

// The fixture of the window suites: "Camera 1" offers MJPG 1920x1080 and
// 1280x720 and NV12 800x600. The profile and the cameras may be prepared
// before MakeModel. UI thread.
class FakeCameraTest : public testing::Test, protected FakeCameras
{
protected:
    FakeCameraTest();
    // Builds `model` over the fake cameras, or through `factory` when given.
    void MakeModel(TavixCapture::CaptureBackendFactory factory = nullptr, std::int32_t captureApiFamily = 0);

    std::unique_ptr<TavixCapture::MainModel> model;
};

} // namespace TestSupport
