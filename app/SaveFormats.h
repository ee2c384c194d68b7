// The entries of the "形式:" list (FileFormat): four still formats, encoded
// through the imaging component, and three movie kinds (FileFormat minus 4),
// written by VideoWriter. Each entry names its save-dialog filter, the
// dialog's default extension and, for stills, the extension of generated
// names and the encoder's container. Constant data, any thread.
#pragma once

#include <guiddef.h>

#include <cstdint>
#include <source_location>

namespace TavixCapture
{

struct StillFormat
{
    const wchar_t* defaultExtension;   // for the save dialog, without "."
    const wchar_t* generatedExtension; // of time-stamped names, with "."
    const wchar_t* filter;             // "text|pattern||"
    const GUID* container;
};

struct MovieKind
{
    const wchar_t* defaultExtension;
    const wchar_t* filter;
};

constexpr std::int32_t FirstMovieFormat = 4;

// FileFormat 4 and above is a movie; 3 and below a still image.
constexpr bool IsMovieFormat(std::int32_t fileFormat)
{
    return fileFormat >= FirstMovieFormat;
}

// FileFormat 0 to 3; any other value raises Exception
// "サポートされていないフォーマットが指定されました。".
const StillFormat& GetStillFormat(std::int32_t fileFormat,
                                  std::source_location where = std::source_location::current());

// Movie kind 0 to 2; any other value raises Exception "不正なモードです。".
const MovieKind& GetMovieKind(std::int32_t kind,
                              std::source_location where = std::source_location::current());

// Raises the message of the still or movie branch when FileFormat is not
// one of the list's seven entries; does nothing otherwise.
void CheckFileFormat(std::int32_t fileFormat, std::source_location where = std::source_location::current());

} // namespace TavixCapture
