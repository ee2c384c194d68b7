// The probe plug-in TavixFrameProbe.dll in a folder of its own: a model given
// that folder as its program folder lists the probe's recording processors
// "記録A" and "記録B" after "なし" (see probe/FrameProbeLog.h).
#pragma once

#include "probe/FrameProbeLog.h"

#include <string>

namespace ProbeLibrary
{

// The folder of TavixFrameProbe.dll, ending with a separator.
std::wstring Folder();
// The library's log, loaded from Folder(); throws without it.
FrameProbeLog& Log();

} // namespace ProbeLibrary
