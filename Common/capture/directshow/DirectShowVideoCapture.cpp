#include "Common/capture/directshow/DirectShowVideoCapture.h"

#include "Common/capture/DeviceNames.h"
#include "Common/capture/directshow/DirectShowDevice.h"

#include <strmif.h>
#include <uuids.h>

namespace Common
{
namespace
{

// qedit.h declares the grabber's interfaces but not its class.
// {C1F400A0-3F08-11d3-9F0B-006008039E37}
constexpr CLSID SampleGrabberClassId = {
    0xC1F400A0, 0x3F08, 0x11d3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};

} // namespace

HRESULT DirectShowVideoCapture::GetGraphMediaControl(IGraphBuilder* graph, IMediaControl** control)
{
    return graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(control));
}

HRESULT DirectShowVideoCapture::CreateSampleGrabber(IBaseFilter** grabber)
{
    return CoCreateInstance(SampleGrabberClassId, nullptr, CLSCTX_ALL, IID_IBaseFilter,
                            reinterpret_cast<void**>(grabber));
}

ComPointer<IBaseFilter> DirectShowVideoCapture::MakeSampleGrabber(const SampleGrabberFactory& factory)
{
    ComPointer<IBaseFilter> grabber;
    const HRESULT hr = factory(grabber.Put());
    if (FAILED(hr) || !grabber)
    {
        Exception error(L"この Windows には DirectShow のサンプルグラバー (qedit.dll) がないため、DirectShow "
                        L"では取り込めません。設定ファイルの CaptureApiFamily を 0 にして Media Foundation "
                        L"で取り込んでください。");
        error.ErrorCode = FAILED(hr) ? hr : E_POINTER;
        throw error;
    }
    return grabber;
}

DirectShowVideoCapture::DirectShowVideoCapture(bool skipErrorDevice, bool allowDuplicateFrameFormat,
                                               const MediaControlFactory& mediaControlFactory,
                                               const SampleGrabberFactory& sampleGrabberFactory)
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
    bool grabberChecked = false;
    for (;;)
    {
        ComPointer<IMoniker> moniker;
        if (monikers->Next(1, moniker.Put(), nullptr) != S_OK || !moniker)
        {
            break;
        }
        if (!grabberChecked)
        {
            // Once, before any device: without a grabber every device would
            // fail alike and the user would be told there is no camera.
            MakeSampleGrabber(sampleGrabberFactory);
            grabberChecked = true;
        }
        try
        {
            devices.push_back(std::make_shared<DirectShowDevice>(*moniker.Get(), allowDuplicateFrameFormat,
                                                                 mediaControlFactory, sampleGrabberFactory));
        }
        catch (...)
        {
            if (!skipErrorDevice)
            {
                throw;
            }
        }
    }
    NumberDuplicateDeviceNames(devices);
}

} // namespace Common
