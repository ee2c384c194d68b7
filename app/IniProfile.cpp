#include "app/IniProfile.h"

#include "Common/TextHelpers.h"
#include "Common/UniqueHandle.h"

#include <windows.h>

#include <cwctype>
#include <limits>

namespace TavixCapture
{

IniProfile::IniProfile(std::wstring path) : path_(std::move(path)) {}

std::int32_t IniProfile::ReadInt(const wchar_t* section, const wchar_t* key, std::int32_t defaultValue) const
{
    // Read as text so that negative values and a missing key are told apart
    // from zero; the platform's integer reader cannot do either.
    const std::wstring text = ReadString(section, key, std::wstring());
    std::size_t i = 0;
    while (i < text.size() && std::iswspace(text[i]))
    {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+'))
    {
        negative = text[i] == L'-';
        ++i;
    }
    if (i >= text.size() || text[i] < L'0' || text[i] > L'9')
    {
        return defaultValue;
    }
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i)
    {
        value = value * 10 + (text[i] - L'0');
        if (value > std::int64_t{1} << 32)
        {
            break; // far out of range already; clamped below
        }
    }
    if (negative)
    {
        value = -value;
    }
    constexpr auto low = std::numeric_limits<std::int32_t>::min();
    constexpr auto high = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(value < low ? low : value > high ? high : value);
}

std::wstring IniProfile::ReadString(const wchar_t* section, const wchar_t* key,
                                    const std::wstring& defaultValue) const
{
    std::wstring buffer(4096, L'\0');
    for (;;)
    {
        const DWORD length = GetPrivateProfileStringW(section, key, defaultValue.c_str(), buffer.data(),
                                                      static_cast<DWORD>(buffer.size()), path_.c_str());
        if (length + 1 < buffer.size())
        {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

bool IniProfile::WriteInt(const wchar_t* section, const wchar_t* key, std::int32_t value) const
{
    return WriteString(section, key, Common::ToDecimalText(value));
}

bool IniProfile::WriteString(const wchar_t* section, const wchar_t* key, const std::wstring& value) const
{
    CreateUnicodeFile();
    return WritePrivateProfileStringW(section, key, value.c_str(), path_.c_str()) != FALSE;
}

void IniProfile::CreateUnicodeFile() const
{
    // The profile functions write a new file in the ANSI code page, which
    // loses every character outside it (a Japanese processor name on a
    // Western system). A file that starts with the UTF-16 byte order mark is
    // kept in UTF-16, so a new file is started with one.
    const Common::UniqueHandle file(
        CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
    {
        return; // exists already, or cannot be created: the write reports it
    }
    const unsigned char byteOrderMark[] = {0xFF, 0xFE};
    DWORD written = 0;
    // A failure leaves an empty file, which the profile functions write in ANSI.
    static_cast<void>(WriteFile(file.Get(), byteOrderMark, sizeof(byteOrderMark), &written, nullptr));
}

std::wstring IniProfile::PathForExecutable(const std::wstring& executablePath)
{
    return Common::ChangeExtension(executablePath, L".ini");
}

} // namespace TavixCapture
