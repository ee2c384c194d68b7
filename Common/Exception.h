// Common::Exception: the program's one error type. It carries the HRESULT of
// the failure, a text for the user, and the source unit and line that raised
// it. ThrowIfFailed/ThrowIfFalse raise it right after platform calls.
// Any thread.
#pragma once

#include <windows.h>

#include <exception>
#include <source_location>
#include <string>

namespace Common
{

class Exception : public std::exception
{
public:
    // An error of the program's own: code E_UNEXPECTED.
    Exception(std::wstring message, std::wstring file, int line);
    // A failed platform call: the message is the system's text for the code.
    Exception(HRESULT code, std::wstring file, int line);

    // Same as above, with the source unit and line taken from the caller.
    explicit Exception(std::wstring message, std::source_location where = std::source_location::current());
    explicit Exception(HRESULT code, std::source_location where = std::source_location::current());

    const char* what() const noexcept override { return "Common::Exception"; }

    // Message + file-name part of File + "(" + Line + ")".
    std::wstring GetLocatedMessage() const;

    // The system's text for a code (DirectShow's own codes from quartz.dll),
    // or "(COM) 0x" and eight hex digits.
    static std::wstring GetSystemMessage(HRESULT code);
    // Source unit name of a compiler file path: "app/MainModel.cpp" gives "MainModel".
    static std::wstring GetSourceUnit(const char* path);

    HRESULT ErrorCode;
    std::wstring Message;
    std::wstring File;
    int Line;
};

// Raises Exception(code) when code is a failure HRESULT.
void ThrowIfFailed(HRESULT code, const std::wstring& file, int line);
void ThrowIfFailed(HRESULT code, std::source_location where = std::source_location::current());
// A BOOL or bool is not an HRESULT: use ThrowIfFalse for those.
void ThrowIfFailed(int, std::source_location = std::source_location::current()) = delete;
void ThrowIfFailed(bool, std::source_location = std::source_location::current()) = delete;

// Raises Exception(E_UNEXPECTED) when a platform call reported failure as false.
void ThrowIfFalse(bool result, const std::wstring& file, int line);
void ThrowIfFalse(bool result, std::source_location where = std::source_location::current());
void ThrowIfFalse(BOOL result, std::source_location where = std::source_location::current());
// An HRESULT is not a boolean: use ThrowIfFailed for it.
void ThrowIfFalse(HRESULT, std::source_location = std::source_location::current()) = delete;

} // namespace Common
