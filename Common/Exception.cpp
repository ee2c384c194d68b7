#include "Exception.h"

#include "TextHelpers.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>

namespace Common
{
namespace
{

// DirectShow's own codes (VFW_E_*, VFW_S_*) have no system text; quartz.dll
// has it. Loaded at the first such error and kept for the process's life.
std::wstring GetDirectShowText(HRESULT code)
{
    const auto number = static_cast<unsigned long>(code) & 0xFFFFu;
    if (HRESULT_FACILITY(code) != FACILITY_ITF || number < 0x200u || number > 0x3FFu)
    {
        return {};
    }
    using ErrorText = DWORD(WINAPI*)(HRESULT, LPWSTR, DWORD);
    static const ErrorText getErrorText = []() -> ErrorText
    {
        const HMODULE quartz = LoadLibraryExW(L"quartz.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        return quartz != nullptr ? reinterpret_cast<ErrorText>(
                                       reinterpret_cast<void*>(GetProcAddress(quartz, "AMGetErrorTextW")))
                                 : nullptr;
    }();
    wchar_t buffer[512] = {};
    const DWORD length =
        getErrorText != nullptr ? getErrorText(code, buffer, static_cast<DWORD>(std::size(buffer))) : 0;
    std::wstring text(buffer, std::min<std::size_t>(length, std::size(buffer) - 1));
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r'))
    {
        text.pop_back();
    }
    return text;
}

} // namespace

Exception::Exception(std::wstring message, std::wstring file, int line)
    : ErrorCode(E_UNEXPECTED), Message(std::move(message)), File(std::move(file)), Line(line)
{
}

Exception::Exception(HRESULT code, std::wstring file, int line)
    : ErrorCode(code), Message(GetSystemMessage(code)), File(std::move(file)), Line(line)
{
}

Exception::Exception(std::wstring message, std::source_location where)
    : Exception(std::move(message), GetSourceUnit(where.file_name()), static_cast<int>(where.line()))
{
}

Exception::Exception(HRESULT code, std::source_location where)
    : Exception(code, GetSourceUnit(where.file_name()), static_cast<int>(where.line()))
{
}

std::wstring Exception::GetLocatedMessage() const
{
    return Message + GetFileNamePart(File) + L"(" + ToDecimalText(Line) + L")";
}

std::wstring Exception::GetSystemMessage(HRESULT code)
{
    wchar_t buffer[1024] = {};
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        static_cast<DWORD>(code), 0x0400, buffer,
                                        static_cast<DWORD>(std::size(buffer)), nullptr);
    if (length != 0)
    {
        return std::wstring(buffer, length);
    }
    if (std::wstring directShow = GetDirectShowText(code); !directShow.empty())
    {
        return directShow;
    }
    wchar_t text[32] = {};
    std::swprintf(text, std::size(text), L"(COM) 0x%08lx", static_cast<unsigned long>(code));
    return text;
}

std::wstring Exception::GetSourceUnit(const char* path)
{
    std::wstring wide;
    for (const char* p = path; *p != '\0'; ++p)
    {
        wide.push_back(static_cast<unsigned char>(*p));
    }
    std::wstring name = GetFileNamePart(wide);
    const auto dot = name.find_last_of(L'.');
    return dot == std::wstring::npos ? name : name.substr(0, dot);
}

void ThrowIfFailed(HRESULT code, const std::wstring& file, int line)
{
    if (FAILED(code))
    {
        throw Exception(code, file, line);
    }
}

void ThrowIfFailed(HRESULT code, std::source_location where)
{
    if (FAILED(code))
    {
        throw Exception(code, where);
    }
}

void ThrowIfFalse(bool result, const std::wstring& file, int line)
{
    if (!result)
    {
        throw Exception(static_cast<HRESULT>(E_UNEXPECTED), file, line);
    }
}

void ThrowIfFalse(bool result, std::source_location where)
{
    if (!result)
    {
        throw Exception(static_cast<HRESULT>(E_UNEXPECTED), where);
    }
}

void ThrowIfFalse(BOOL result, std::source_location where)
{
    ThrowIfFalse(result != FALSE, where);
}

} // namespace Common
