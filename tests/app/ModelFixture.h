// What the model tests share: a model over fake devices and a temporary INI
// file, and a real (hidden) window that collects the model's notifications.
#pragma once

#include "Common/ui/Window.h"
#include "app/MainModel.h"
#include "support/FakeCapture.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <vector>

using TavixCapture::PropertyId;
using Ids = std::vector<PropertyId>;

namespace TavixCapture
{
// Property ids print as their numbers in failure messages.
inline void PrintTo(PropertyId id, std::ostream* out)
{
    *out << static_cast<int>(id);
}
} // namespace TavixCapture

class ListenerWindow : public Common::Mfc::Window
{
public:
    ListenerWindow();
    ~ListenerWindow() override;
    // Property ids posted to this window since the last call, in order,
    // each acknowledged to its sender; fails the test if a message names
    // another sender than `model`.
    Ids Drain(const void* model);
};

class ModelTest : public testing::Test
{
protected:
    ModelTest();

    // Two devices: "cam0" with 640x480 and 320x240 formats, "cam1" with 160x120.
    std::unique_ptr<TavixCapture::MainModel> MakeModel();
    TavixCapture::CaptureBackendFactory Factory();
    // Registers the window and takes away the notifications of registration.
    static void Listen(TavixCapture::MainModel& model, ListenerWindow& window);

    TestSupport::TempFolder folder;
    TavixCapture::IniProfile profile;
    std::shared_ptr<TestSupport::FakeDevice> cam0;
    std::shared_ptr<TestSupport::FakeDevice> cam1;
};
