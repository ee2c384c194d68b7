// The export of TavixMeasure.dll: a factory with the one processor "計測".
#include "MeasureProcessor.h"

#include "framework/ProcessorFactory.h"

namespace
{

// The module this code is in, whose resources hold the page's template.
HINSTANCE ThisModule()
{
    HMODULE module = nullptr;
    const BOOL found = GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                              GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                          reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return found != FALSE ? module : nullptr;
}

Tavix::Framework::IProcessor* CreateMeasureProcessor()
{
    return new TavixMeasure::MeasureProcessor(ThisModule());
}

} // namespace

TAVIX_PLUGIN_INTERFACE_VERSION;

extern "C" __declspec(dllexport) HRESULT
    __stdcall GetProcessorFactory(Tavix::Framework::IProcessorFactory** factory)
{
    return Tavix::Framework::ProcessorFactory::Create(
        {{TavixMeasure::MeasureProcessor::Name, &CreateMeasureProcessor}}, factory);
}
