// FakeModel: the program's model over two fake devices and a temporary INI
// file, for the frame path tests: "cam0" with 640x480 and 320x240 formats,
// "cam1" with 160x120. A test thread may deliver frames of either device
// while the model uses them.
#pragma once

#include "app/MainModel.h"
#include "support/FakeCapture.h"
#include "support/TempFolder.h"

#include <memory>

struct FakeModel
{
    FakeModel();
    ~FakeModel();

    TestSupport::TempFolder folder;
    TavixCapture::IniProfile profile;
    std::shared_ptr<TestSupport::FakeDevice> cam0;
    std::shared_ptr<TestSupport::FakeDevice> cam1;
    std::unique_ptr<TavixCapture::MainModel> model;
};
