// What the plug-in tests share: models over the fake cameras whose program
// folder is a fresh temporary folder, into which a test copies the test and
// sample plug-ins under the names it wants; a window that takes the
// notifications; and the events a loaded test plug-in recorded.
#pragma once

#include "support/FakeCameras.h"
#include "support/NotifiedWindow.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

// Codes the test plug-ins fail with.
constexpr HRESULT CreateFailure = static_cast<HRESULT>(0x80041004);
constexpr HRESULT InitializeFailure = static_cast<HRESULT>(0x80041005);
constexpr HRESULT TerminateFailure = static_cast<HRESULT>(0x80041006);

class PluginTest : public testing::Test, protected TestSupport::FakeCameras
{
protected:
    // Copies bin/testplugins/<kind>.dll into the program folder as `name`.
    void Install(const wchar_t* kind, const std::wstring& name);
    // Copies a library of the test program's folder (a sample plug-in) under its own name.
    void InstallBeside(const std::wstring& pathInTestFolder);
    // What the library `name` in the program folder recorded since the last call.
    std::wstring TakeEvents(const std::wstring& name);
    bool IsLoaded(const std::wstring& name) const;
    static std::vector<std::wstring> Names(const TavixCapture::MainModel& model);
    void Listen(TavixCapture::MainModel& model);
    // Waits (20 s at most, the window's messages flowing) until the INI
    // file holds `value` for the key; settings a plug-in writes reach it
    // after a quiet time.
    bool WaitForSetting(const wchar_t* section, const wchar_t* key, std::int32_t value);

    NotifiedWindow window;
};

// A model with the life-cycle plug-in installed as TavixLife.dll, what it
// recorded at start-up taken, and the window listening.
class SelectionTest : public PluginTest
{
protected:
    SelectionTest()
    {
        Install(L"lifecycle", L"TavixLife.dll");
        model = MakeModel();
        TakeEvents(L"TavixLife.dll");
        Listen(*model);
    }

    std::unique_ptr<TavixCapture::MainModel> model;
};

// The code of the Exception `action` raises; S_OK when it raises none.
HRESULT CodeOf(const std::function<void()>& action);
