// TavixRuler.dll: the plug-in's one export hands the host a factory of its
// one processor.
#include "Ruler/RulerProcessor.h"
#include "framework/ProcessorFactory.h"

TAVIX_PLUGIN_INTERFACE_VERSION;

extern "C" __declspec(dllexport) HRESULT
    __stdcall GetProcessorFactory(Tavix::Framework::IProcessorFactory** factory)
{
    return Tavix::Framework::ProcessorFactory::Create(
        {{L"定規", []() -> Tavix::Framework::IProcessor* { return new TavixSamples::RulerProcessor; }}},
        factory);
}
