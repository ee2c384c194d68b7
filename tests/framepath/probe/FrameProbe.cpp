// TavixFrameProbe.dll: a plug-in of two identical recording processors, "記録A"
// and "記録B" (two, so that a test can switch between them). Each Process
// writes down pixel (0, 0) of the frame it is given, may paint row 0 of it,
// and fails on request; see FrameProbeLog.h.
#include "FrameProbeLog.h"

#include "framework/ProcessorBase.h"
#include "framework/ProcessorFactory.h"

#include <cstring>

namespace
{
FrameProbeLog probeLog;

class RecordingProcessor final : public Tavix::Framework::ProcessorBase
{
public:
    RecordingProcessor() noexcept { ++probeLog.alive; }

    HRESULT STDMETHODCALLTYPE Process() override
    {
        Tavix::Framework::IHostServices* host = GetHost();
        Common::FrameBuffer* frame = host != nullptr ? host->GetFrame() : nullptr;
        if (frame == nullptr || frame->pixels.size() < 4)
        {
            ++probeLog.withoutHost;
            return E_POINTER;
        }
        const int index = probeLog.processed++;
        if (index < FrameProbeLog::Capacity)
        {
            std::memcpy(&probeLog.firstPixels[index], frame->pixels.data(), 4);
        }
        if (const std::uint32_t stamp = probeLog.stamp)
        {
            for (std::int32_t x = 0; x < frame->width; ++x)
            {
                std::memcpy(frame->pixels.data() + static_cast<std::size_t>(x) * 4, &stamp, 4);
            }
        }
        const int failEvery = probeLog.failEvery;
        if (failEvery > 0 && (index + 1) % failEvery == 0)
        {
            ++probeLog.failed;
            return E_FAIL;
        }
        return S_OK;
    }

private:
    ~RecordingProcessor() override { --probeLog.alive; }
};

} // namespace

extern "C" __declspec(dllexport) FrameProbeLog* __cdecl GetFrameProbeLog()
{
    return &probeLog;
}

extern "C" __declspec(dllexport) HRESULT
    __stdcall GetProcessorFactory(Tavix::Framework::IProcessorFactory** factory)
{
    return Tavix::Framework::ProcessorFactory::Create(
        {{L"記録A", []() -> Tavix::Framework::IProcessor* { return new RecordingProcessor; }},
         {L"記録B", []() -> Tavix::Framework::IProcessor* { return new RecordingProcessor; }}},
        factory);
}
