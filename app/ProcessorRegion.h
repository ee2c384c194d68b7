// TavixCapture::ProcessorRegion: the part of the frame a processor looks at,
// asked through its optional IRegionOfInterest (framework/), for the
// program's own functions that judge the picture. A processor that does not
// offer the interface looks at the whole frame.
//
// Threads: the UI thread, where the processor stays current for the length
// of the call.
#pragma once

#include "Common/capture/FrameRegion.h"
#include "framework/IProcessor.h"

#include <optional>

namespace TavixCapture
{

class ProcessorRegion
{
public:
    // The region `processor` looks at (it may reach outside the frame);
    // none for the whole frame: no processor, no answer, S_FALSE, a failure
    // or an exception in the plug-in, or a region without a pixel.
    static std::optional<Common::FrameRegion> Ask(Tavix::Framework::IProcessor* processor);
};

} // namespace TavixCapture
