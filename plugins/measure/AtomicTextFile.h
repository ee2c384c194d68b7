// TavixMeasure::WriteFileAtomically: writes bytes to a file so that the
// file's name never shows a half-written file: the bytes go to a new
// temporary file beside it, are flushed, and the temporary file then
// replaces the target in one rename. On any failure the temporary file is
// removed, an existing target is left as it was, and Common::Exception
// is raised with the platform's code. Any thread.
#pragma once

#include <string>

namespace TavixMeasure
{

void WriteFileAtomically(const std::wstring& path, const std::string& bytes);

} // namespace TavixMeasure
