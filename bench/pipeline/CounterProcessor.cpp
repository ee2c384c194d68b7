// TavixPipelineCounter.dll: the pipeline benchmark's processor "フレーム計数".
// On the delivery thread it reads the frame counter the virtual camera paints
// into every frame, so that frames lost or repeated anywhere between the
// camera and the model show as gaps in the count. The benchmark reads the
// counts through GetPipelineCounts once capture has stopped.
#include "framework/ProcessorBase.h"
#include "framework/ProcessorFactory.h"
#include "tools/capture-probe/FrameStatistics.h"

#include <cstdint>

namespace
{
// Written on the delivery thread while capturing, read after capture stopped.
FrameStatistics statistics;

class CounterProcessor : public Tavix::Framework::ProcessorBase
{
public:
    HRESULT STDMETHODCALLTYPE Initialize(Tavix::Framework::IHostServices* host) override
    {
        statistics = FrameStatistics();
        return ProcessorBase::Initialize(host);
    }
    HRESULT STDMETHODCALLTYPE Process() override
    {
        if (const Common::FrameBuffer* frame = GetHost()->GetFrame())
        {
            statistics.Add(*frame);
        }
        return S_OK;
    }
};
} // namespace

extern "C" __declspec(dllexport) HRESULT
    __stdcall GetProcessorFactory(Tavix::Framework::IProcessorFactory** factory)
{
    return Tavix::Framework::ProcessorFactory::Create(
        {{L"フレーム計数", []() -> Tavix::Framework::IProcessor* { return new CounterProcessor; }}}, factory);
}

extern "C" __declspec(dllexport) void __stdcall GetPipelineCounts(std::uint64_t* frames, std::uint64_t* gaps,
                                                                  std::uint64_t* repeats,
                                                                  std::uint64_t* undecodable)
{
    *frames = statistics.GetFrames();
    *gaps = statistics.GetGaps();
    *repeats = statistics.GetRepeats();
    *undecodable = statistics.GetUndecodable();
}
