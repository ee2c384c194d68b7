#include "Common/capture/mediafoundation/MediaFoundationVideoCapture.h"

#include "Common/ComPointer.h"

#include <mfapi.h>
#include <mfidl.h>

#include <memory>

namespace Common
{

namespace
{

// The activation array of an enumeration: releases every entry and frees
// the array.
class ActivateArray
{
public:
    ActivateArray() = default;
    ~ActivateArray()
    {
        for (UINT32 i = 0; i < count; ++i)
        {
            if (sources[i] != nullptr)
            {
                sources[i]->Release();
            }
        }
        CoTaskMemFree(sources);
    }
    ActivateArray(const ActivateArray&) = delete;
    ActivateArray& operator=(const ActivateArray&) = delete;

    IMFActivate** sources = nullptr;
    UINT32 count = 0;
};

} // namespace

HRESULT MediaFoundationVideoCapture::EnumerateDeviceSources(IMFAttributes* attributes, IMFActivate*** sources,
                                                            UINT32* count)
{
    return MFEnumDeviceSources(attributes, sources, count);
}

MediaFoundationVideoCapture::MediaFoundationVideoCapture(
    bool skipErrorDevice, bool allowDuplicateFrameFormat, DeviceSourceEnumerator deviceSourceEnumerator,
    MediaFoundationDevice::SourceReaderFactory sourceReaderFactory)
{
    ComPointer<IMFAttributes> attributes;
    ThrowIfFailed(MFCreateAttributes(attributes.Put(), 1));
    ThrowIfFailed(attributes->SetGUID(MF_DEVSOURCE_ATTRIBUTE_SOURCE_TYPE,
                                      MF_DEVSOURCE_ATTRIBUTE_SOURCE_TYPE_VIDCAP_GUID));
    ActivateArray activates;
    ThrowIfFailed(deviceSourceEnumerator(attributes.Get(), &activates.sources, &activates.count));

    for (UINT32 i = 0; i < activates.count; ++i)
    {
        try
        {
            devices.push_back(std::make_shared<MediaFoundationDevice>(
                activates.sources[i], allowDuplicateFrameFormat, sourceReaderFactory));
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
