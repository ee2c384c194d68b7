// TavixCapture::IniProfile: the four profile functions over one INI file
// (sections of key=value lines; integers as signed decimal text, booleans as
// 0 and 1). UI thread. Every read and write goes through the two virtual
// string functions, so another store can stand in for the file.
#pragma once

#include <cstdint>
#include <string>

namespace TavixCapture
{

class IniProfile
{
public:
    explicit IniProfile(std::wstring path);
    virtual ~IniProfile() = default;

    const std::wstring& GetPath() const { return path_; }

    // A missing key, or a value that is not a decimal integer, gives the default.
    std::int32_t ReadInt(const wchar_t* section, const wchar_t* key, std::int32_t defaultValue) const;
    virtual std::wstring ReadString(const wchar_t* section, const wchar_t* key,
                                    const std::wstring& defaultValue) const;
    // False when the file could not be written.
    bool WriteInt(const wchar_t* section, const wchar_t* key, std::int32_t value) const;
    virtual bool WriteString(const wchar_t* section, const wchar_t* key, const std::wstring& value) const;

    // "C:\Tools\Capture.exe" gives "C:\Tools\Capture.ini".
    static std::wstring PathForExecutable(const std::wstring& executablePath);

private:
    void CreateUnicodeFile() const;

    std::wstring path_;
};

} // namespace TavixCapture
