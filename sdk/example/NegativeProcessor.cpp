// TavixNegative.dll: "ネガ", the smallest useful processor: it inverts the
// colours of every frame in place, as on a photographic negative.
//
// The whole contract a plug-in must keep is here (docs/plugins.md explains
// it): one export, GetProcessorFactory, that hands out a factory, and the
// interface version mark; processors that derive
// from ProcessorBase and override what they need; nothing thrown crosses
// back into the program (CallGuarded wraps anything that can throw).
#include "framework/CallGuarded.h"
#include "framework/ProcessorBase.h"
#include "framework/ProcessorFactory.h"

#include <cstdint>

namespace
{

class NegativeProcessor final : public Tavix::Framework::ProcessorBase
{
public:
    // Delivery thread, once per frame. The frame is ours while this runs:
    // changing it in place is all it takes, the preview shows it.
    HRESULT STDMETHODCALLTYPE Process() override
    {
        Common::FrameBuffer* frame = GetHost() != nullptr ? GetHost()->GetFrame() : nullptr;
        if (frame == nullptr)
        {
            return E_POINTER;
        }
        // Bytes per pixel: blue, green, red, alpha. Alpha stays.
        for (std::size_t i = 0; i + 4 <= frame->pixels.size(); i += 4)
        {
            frame->pixels[i] = static_cast<std::uint8_t>(255 - frame->pixels[i]);
            frame->pixels[i + 1] = static_cast<std::uint8_t>(255 - frame->pixels[i + 1]);
            frame->pixels[i + 2] = static_cast<std::uint8_t>(255 - frame->pixels[i + 2]);
        }
        return S_OK;
    }
};

} // namespace

// The interface version this library is built for: the program reads it
// before it calls anything, and leaves out a library of another version.
TAVIX_PLUGIN_INTERFACE_VERSION;

extern "C" __declspec(dllexport) HRESULT
    __stdcall GetProcessorFactory(Tavix::Framework::IProcessorFactory** factory)
{
    return Tavix::Framework::ProcessorFactory::Create(
        {{L"ネガ", []() -> Tavix::Framework::IProcessor* { return new NegativeProcessor; }}}, factory);
}
