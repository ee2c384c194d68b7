// TavixThreshold.dll: the plug-in's one export hands the host a factory of
// its one processor.
#include "Threshold/ThresholdProcessor.h"
#include "framework/ProcessorFactory.h"

TAVIX_PLUGIN_INTERFACE_VERSION;

extern "C" __declspec(dllexport) HRESULT
    __stdcall GetProcessorFactory(Tavix::Framework::IProcessorFactory** factory)
{
    return Tavix::Framework::ProcessorFactory::Create(
        {{L"二値化", []() -> Tavix::Framework::IProcessor* { return new TavixSamples::ThresholdProcessor; }}},
        factory);
}
