#include "app/ProcessorRegion.h"

#include "app/PluginCall.h"
#include "framework/IRegionOfInterest.h"

namespace TavixCapture
{

std::optional<Common::FrameRegion> ProcessorRegion::Ask(Tavix::Framework::IProcessor* processor)
{
    if (processor == nullptr)
    {
        return std::nullopt;
    }
    Common::ComPointer<Tavix::Framework::IRegionOfInterest> query;
    Tavix::Framework::RegionOfInterest region = {sizeof(region), 0, 0, 0, 0};
    const HRESULT answer = CallPlugin(
        [&]
        {
            const HRESULT found =
                processor->QueryInterface(Tavix::Framework::IID_IRegionOfInterest, query.PutVoid());
            return FAILED(found) || !query ? E_NOINTERFACE : query->GetRegionOfInterest(&region);
        });
    ReleasePluginObject(query);
    if (answer != S_OK || region.width <= 0 || region.height <= 0)
    {
        return std::nullopt;
    }
    return Common::FrameRegion{region.x, region.y, region.width, region.height};
}

} // namespace TavixCapture
