// What the plug-in tests share: a model over one fake camera whose program
// folder is a fresh temporary folder, into which a test copies the test
// plug-ins under the names it wants; a window that collects notifications;
// and access to the events a loaded test plug-in recorded.
#pragma once

#include "app/MainModel.h"
#include "support/FakeCapture.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// Codes the test plug-ins fail with.
constexpr HRESULT FactoryFailure = static_cast<HRESULT>(0x80041001);
constexpr HRESULT CreateFailure = static_cast<HRESULT>(0x80041004);
constexpr HRESULT InitializeFailure = static_cast<HRESULT>(0x80041005);
constexpr HRESULT TerminateFailure = static_cast<HRESULT>(0x80041006);

class NotificationWindow : public Common::Mfc::Window
{
public:
    NotificationWindow();
    ~NotificationWindow() override;
    // Property ids posted since the last call, in order.
    std::vector<int> Drain();
};

class PluginTest : public testing::Test
{
protected:
    PluginTest();

    std::unique_ptr<TavixCapture::MainModel> MakeModel();
    // Copies bin/testplugins/<kind>.dll into the program folder as `name`.
    void Install(const wchar_t* kind, const std::wstring& name);
    // What the library `name` in the program folder recorded since the last call.
    std::wstring TakeEvents(const std::wstring& name);
    bool IsLoaded(const std::wstring& name) const;
    static std::vector<std::wstring> Names(const TavixCapture::MainModel& model);
    static std::int32_t IndexOf(const TavixCapture::MainModel& model, const std::wstring& name);
    void Listen(TavixCapture::MainModel& model);

    TestSupport::TempFolder folder;
    TavixCapture::IniProfile profile;
    std::shared_ptr<TestSupport::FakeDevice> camera;
    NotificationWindow window;
};

// The folder of the running test program, ending with a separator.
std::wstring TestProgramFolder();
