#include "Common/VersionInformation.h"

#include "Common/Exception.h"

#include <cstdio>
#include <string>

namespace Common
{

namespace
{
// Raises Exception with the calling thread's last error, as an HRESULT, when
// the system reported one.
void ThrowIfSystemError(std::source_location where = std::source_location::current())
{
    const DWORD error = GetLastError();
    if (error != ERROR_SUCCESS)
    {
        throw Exception(HRESULT_FROM_WIN32(error), where);
    }
}

std::wstring_view QueryText(const std::vector<BYTE>& data, const std::wstring& path)
{
    void* value = nullptr;
    UINT length = 0;
    ThrowIfFalse(VerQueryValueW(data.data(), path.c_str(), &value, &length) != FALSE && value != nullptr);
    return std::wstring_view(static_cast<const wchar_t*>(value));
}
} // namespace

VersionInformation::VersionInformation(HMODULE module)
{
    wchar_t path[1024] = {};
    SetLastError(ERROR_SUCCESS);
    const DWORD pathLength = GetModuleFileNameW(module, path, static_cast<DWORD>(std::size(path)));
    if (pathLength == 0 || pathLength >= std::size(path))
    {
        ThrowIfSystemError();
        ThrowIfFalse(false);
    }

    SetLastError(ERROR_SUCCESS);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
    if (size == 0)
    {
        ThrowIfSystemError();
        ThrowIfFalse(false);
    }

    data_.resize(size);
    SetLastError(ERROR_SUCCESS);
    if (GetFileVersionInfoW(path, 0, size, data_.data()) == FALSE)
    {
        ThrowIfSystemError();
        ThrowIfFalse(false);
    }

    void* value = nullptr;
    UINT length = 0;
    ThrowIfFalse(VerQueryValueW(data_.data(), L"\\VarFileInfo\\Translation", &value, &length) != FALSE);
    const auto* translations = static_cast<const Translation*>(value);
    const std::size_t count = length / sizeof(Translation);
    entries_.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
    {
        wchar_t prefix[64] = {};
        std::swprintf(prefix, std::size(prefix), L"\\StringFileInfo\\%04x%04x\\", translations[i].language,
                      translations[i].codePage);
        const std::wstring base = prefix;
        const std::wstring_view company = QueryText(data_, base + L"CompanyName");
        const std::wstring_view version = QueryText(data_, base + L"ProductVersion");
        const std::wstring_view product = QueryText(data_, base + L"ProductName");
        entries_.emplace_back(translations[i], company, version, product);
    }
}

} // namespace Common
