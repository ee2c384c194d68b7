// Path and number texts used for the configuration path and for error texts.
// Separators are "\\", "/" and ":"; a directory part always ends with one.
// Pure functions, any thread.
#pragma once

#include <cstdint>
#include <string>

namespace Common
{

// Everything up to and including the last separator; empty if there is none.
std::wstring GetDirectoryPart(const std::wstring& path);
// Everything after the last separator; the whole path if there is none.
std::wstring GetFileNamePart(const std::wstring& path);
// Directory part + file-name part cut before its last "." + extension (with its ".").
std::wstring ChangeExtension(const std::wstring& path, const std::wstring& extension);
// Signed decimal: "-" for negatives, no leading zeros, no grouping.
std::wstring ToDecimalText(std::int32_t value);

} // namespace Common
