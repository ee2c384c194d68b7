#include "Common/capture/directshow/DirectShowVideoCapture.h"

#include "Common/ComPointer.h"
#include "Common/capture/directshow/DirectShowDevice.h"

#include <strmif.h>
#include <uuids.h>

namespace Common
{

HRESULT DirectShowVideoCapture::GetGraphMediaControl(IGraphBuilder* graph, IMediaControl** control)
{
    return graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(control));
}

DirectShowVideoCapture::DirectShowVideoCapture(bool skipErrorDevice, bool allowDuplicateFrameFormat,
                                               const MediaControlFactory& mediaControlFactory)
{
    ComPointer<ICreateDevEnum> deviceEnumerator;
    deviceEnumerator.CreateInstance(CLSID_SystemDeviceEnum);

    // S_FALSE without an enumerator: the category is empty.
    ComPointer<IEnumMoniker> monikers;
    const HRESULT hr =
        deviceEnumerator->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, monikers.Put(), 0);
    if (FAILED(hr) || !monikers)
    {
        return;
    }
    ThrowIfFailed(monikers->Reset());
    for (;;)
    {
        ComPointer<IMoniker> moniker;
        if (monikers->Next(1, moniker.Put(), nullptr) != S_OK || !moniker)
        {
            break;
        }
        try
        {
            devices.push_back(std::make_shared<DirectShowDevice>(*moniker.Get(), allowDuplicateFrameFormat,
                                                                 mediaControlFactory));
        }
        catch (...)
        {
            if (!skipErrorDevice)
            {
                throw;
            }
        }
    }
}

} // namespace Common
