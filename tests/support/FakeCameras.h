// FakeCameras: two fake devices and a temporary folder with the INI file, and
// program models built on them. "cam0" offers YUY2 640x480 and 320x240 at
// 30 fps, "cam1" NV12 160x120 at 15 fps. A test thread may deliver frames of
// either device while a model uses them.
#pragma once

#include "app/MainModel.h"
#include "support/FakeCapture.h"
#include "support/TempFolder.h"

#include <memory>
#include <string>

namespace TestSupport
{

struct FakeCameras
{
    FakeCameras();

    TavixCapture::CaptureBackendFactory Factory();
    // The program folder (where plug-ins are looked for) is `folder` unless given.
    std::unique_ptr<TavixCapture::MainModel> MakeModel(const std::wstring& programFolder = L"");

    TempFolder folder;
    TavixCapture::IniProfile profile;
    std::shared_ptr<FakeDevice> cam0;
    std::shared_ptr<FakeDevice> cam1;
};

} // namespace TestSupport
