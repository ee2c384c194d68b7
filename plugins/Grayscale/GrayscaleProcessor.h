// GrayscaleProcessor "グレースケール": turns every frame grey in place. It
// needs nothing but Process: the preview shows the device's frame, which this
// processor has changed. Delivery thread (Process); no state of its own.
#pragma once

#include "framework/ProcessorBase.h"

#include <cstdint>

namespace TavixSamples
{

class GrayscaleProcessor final : public Tavix::Framework::ProcessorBase
{
public:
    HRESULT STDMETHODCALLTYPE Process() override;

    // Luma of one BGRA pixel (ITU-R BT.601 weights, rounded), alpha kept.
    static std::uint32_t ToGray(std::uint32_t bgra);
};

} // namespace TavixSamples
