// FakeModel: the program's model over two fake devices and a temporary INI
// file, for the frame path tests: "cam0" with 640x480 and 320x240 formats,
// "cam1" with 160x120. A test thread may deliver frames of either device
// while the model uses them. With `withProbe`, the model's program folder is
// that of TavixFrameProbe.dll, so its recording processors are listed after
// "なし" (see probe/FrameProbeLog.h).
#pragma once

#include "app/MainModel.h"
#include "probe/FrameProbeLog.h"
#include "support/FakeCapture.h"
#include "support/TempFolder.h"

#include <memory>
#include <string>

struct FakeModel
{
    explicit FakeModel(bool withProbe = false);
    ~FakeModel();

    // The folder of TavixFrameProbe.dll, ending with a separator.
    static std::wstring ProbeFolder();
    // The probe library's log, loaded from ProbeFolder(); the test fails without it.
    static FrameProbeLog& ProbeLog();

    TestSupport::TempFolder folder;
    TavixCapture::IniProfile profile;
    std::shared_ptr<TestSupport::FakeDevice> cam0;
    std::shared_ptr<TestSupport::FakeDevice> cam1;
    std::unique_ptr<TavixCapture::MainModel> model;
};
