// The names of DirectShow's video subtypes, shown in format display names.
// Pure function over a constant table; any thread.
#pragma once

#include <guiddef.h>

namespace Common
{

// The name of a DirectShow media subtype, or "Unknown" when the table has no entry.
const wchar_t* GetDirectShowSubtypeName(const GUID& subtype);

} // namespace Common
