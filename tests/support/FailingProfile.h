// A configuration store whose writes of one key fail, as a full disk would
// fail them.
#pragma once

#include "app/IniProfile.h"

#include <string>
#include <utility>

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
