// Whether the labels of a window show their whole text.
#pragma once

#include <windows.h>

#include <string>

namespace TestSupport
{

// Every label, check box and button among the visible children of `parent`
// (and theirs) whose text does not fit inside it at its own font, with the
// room the control needs around the text; one line each, empty when all
// fit. `labels`, when given, receives how many were checked.
std::wstring LabelsCutOff(HWND parent, int* labels = nullptr);

} // namespace TestSupport
