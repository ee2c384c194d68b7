// What the model tests share: models over the two fake cameras and a
// temporary INI file, windows that take their notifications, and a
// configuration store whose writes of one key fail.
#pragma once

#include "app/IniProfile.h"
#include "support/FakeCameras.h"
#include "support/NotifiedWindow.h"

#include <gtest/gtest.h>

using TavixCapture::PropertyId;

class ModelTest : public testing::Test, protected TestSupport::FakeCameras
{
protected:
    // Registers the window and takes away the notifications of registration.
    static void Listen(TavixCapture::MainModel& model, NotifiedWindow& window)
    {
        model.AddListener(&window);
        window.Drain();
    }
};

// A store whose writes of one key fail, as a full disk would fail them.
class FailingProfile : public TavixCapture::IniProfile
{
public:
    FailingProfile(std::wstring path, std::wstring failingKey)
        : IniProfile(std::move(path)), failingKey_(std::move(failingKey))
    {
    }

protected:
    bool WriteValue(const std::wstring& file, const wchar_t* section, const wchar_t* key,
                    const std::wstring& value) const override
    {
        return key != failingKey_ && IniProfile::WriteValue(file, section, key, value);
    }

private:
    std::wstring failingKey_;
};
