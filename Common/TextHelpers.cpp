#include "TextHelpers.h"

namespace Common
{

namespace
{
std::wstring::size_type FindLastSeparator(const std::wstring& path)
{
    return path.find_last_of(L"\\/:");
}
} // namespace

std::wstring GetDirectoryPart(const std::wstring& path)
{
    const auto separator = FindLastSeparator(path);
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator + 1);
}

std::wstring GetFileNamePart(const std::wstring& path)
{
    const auto separator = FindLastSeparator(path);
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

std::wstring ChangeExtension(const std::wstring& path, const std::wstring& extension)
{
    std::wstring name = GetFileNamePart(path);
    const auto dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos)
    {
        name.resize(dot);
    }
    return GetDirectoryPart(path) + name + extension;
}

std::wstring ToDecimalText(std::int32_t value)
{
    // Widen first so that INT32_MIN negates without overflow.
    std::int64_t magnitude = value;
    const bool negative = magnitude < 0;
    if (negative)
    {
        magnitude = -magnitude;
    }
    std::wstring digits;
    do
    {
        digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    return negative ? L"-" + digits : digits;
}

} // namespace Common
