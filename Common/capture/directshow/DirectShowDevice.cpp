#include "Common/capture/directshow/DirectShowDevice.h"

#include "Common/capture/FormatList.h"
#include "Common/capture/directshow/DirectShowDeviceCallback.h"
#include "Common/capture/directshow/DirectShowFrameFormat.h"
#include "Common/capture/directshow/DirectShowMediaType.h"

#include <oleauto.h>
#include <uuids.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace Common
{
namespace
{

// qedit.h declares the grabber's interfaces but not its class.
// {C1F400A0-3F08-11d3-9F0B-006008039E37}
constexpr CLSID SampleGrabberClassId = {
    0xC1F400A0, 0x3F08, 0x11d3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};

// A VARIANT cleared when it goes out of scope, also after a failed read.
class ScopedVariant
{
public:
    ScopedVariant() { VariantInit(&value); }
    ~ScopedVariant() { VariantClear(&value); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
    VARIANT value;
};

std::wstring ReadText(IPropertyBag& bag, const wchar_t* name)
{
    ScopedVariant text;
    text.value.vt = VT_BSTR;
    ThrowIfFailed(bag.Read(name, &text.value, nullptr));
    ThrowIfFalse(text.value.vt == VT_BSTR);
    return text.value.bstrVal != nullptr ? std::wstring(text.value.bstrVal, SysStringLen(text.value.bstrVal))
                                         : std::wstring();
}

// The pin information's filter reference, released with it.
class PinInformation
{
public:
    PinInformation() { std::memset(&info, 0, sizeof(info)); }
    ~PinInformation()
    {
        if (info.pFilter != nullptr)
        {
            info.pFilter->Release();
        }
    }
    PinInformation(const PinInformation&) = delete;
    PinInformation& operator=(const PinInformation&) = delete;
    PIN_INFO info;
};

} // namespace

DirectShowVideoCapture::DirectShowDevice::DirectShowDevice(IMoniker& moniker, bool allowDuplicateFrameFormat,
                                                           const MediaControlFactory& mediaControlFactory)
{
    ThrowIfFailed(moniker.BindToObject(nullptr, nullptr, IID_IBaseFilter, deviceFilter.PutVoid()));
    {
        ComPointer<IPropertyBag> bag;
        ThrowIfFailed(moniker.BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.PutVoid()));
        name = ReadText(*bag.Get(), L"FriendlyName");
        path = ReadText(*bag.Get(), L"DevicePath");
    }

    grabberFilter.CreateInstance(SampleGrabberClassId);
    ThrowIfFailed(grabberFilter.QueryInterface(sampleGrabber));
    AM_MEDIA_TYPE wanted = {};
    wanted.majortype = MEDIATYPE_Video;
    wanted.subtype = MEDIASUBTYPE_ARGB32;
    wanted.formattype = FORMAT_VideoInfo;
    wanted.bFixedSizeSamples = FALSE;
    wanted.bTemporalCompression = FALSE;
    wanted.lSampleSize = 0;
    ThrowIfFailed(sampleGrabber->SetMediaType(&wanted));
    ThrowIfFailed(sampleGrabber->SetBufferSamples(TRUE));

    graph.CreateInstance(CLSID_FilterGraph);
    ThrowIfFailed(mediaControlFactory(graph.Get(), mediaControl.Put()));
    ThrowIfFalse(static_cast<bool>(mediaControl));
    ThrowIfFailed(graph->AddFilter(deviceFilter.Get(), name.c_str()));
    ThrowIfFailed(graph->AddFilter(grabberFilter.Get(), L"SampleGrabber"));

    captureBuilder.CreateInstance(CLSID_CaptureGraphBuilder2);
    ThrowIfFailed(captureBuilder->SetFiltergraph(graph.Get()));
    ThrowIfFailed(captureBuilder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, deviceFilter.Get(),
                                                IID_IAMStreamConfig, streamConfig.PutVoid()));

    callback.Attach(new Callback(*this));
    ThrowIfFailed(sampleGrabber->SetCallback(callback.Get(), 1));

    EnumerateFormats(allowDuplicateFrameFormat);
    if (formats.empty())
    {
        throw Exception(L"使用できるフレームフォーマットがありません。");
    }
    ApplyFrameFormat();
}

void DirectShowVideoCapture::DirectShowDevice::EnumerateFormats(bool allowDuplicateFrameFormat)
{
    int count = 0;
    int recordSize = 0;
    ThrowIfFailed(streamConfig->GetNumberOfCapabilities(&count, &recordSize));
    // Never smaller than the video record, whatever size the device claims.
    std::vector<BYTE> record(
        std::max(static_cast<std::size_t>(std::max(recordSize, 0)), sizeof(VIDEO_STREAM_CONFIG_CAPS)));
    for (int i = 0; i < count; ++i)
    {
        std::fill(record.begin(), record.end(), BYTE{0});
        DirectShowMediaType type;
        ThrowIfFailed(streamConfig->GetStreamCaps(i, type.Put(), record.data()));
        // Formats whose block cannot be read as a video info header are left out.
        if (!type || !DirectShowFrameFormat::HasVideoInfo(*type.Get()))
        {
            continue;
        }
        auto format = std::make_shared<DirectShowFrameFormat>(std::move(type));
        if (!format->IsUsable())
        {
            continue;
        }
        AddFrameFormat(formats, std::move(format), allowDuplicateFrameFormat);
    }
}

DirectShowVideoCapture::DirectShowDevice::~DirectShowDevice()
{
    try
    {
        Close();
    }
    catch (...)
    {
        // Destruction goes on: the graph is released below whatever state it is in.
    }
    if (callback)
    {
        // A graph that did not stop may still deliver: from here on its
        // samples reach nothing.
        callback->DetachDevice();
    }
    if (sampleGrabber)
    {
        // Nothing can be done about a failure here: the graph is stopped and
        // released next, and with it the grabber's reference to the callback.
        sampleGrabber->SetCallback(nullptr, 0);
    }
    callback.Reset();
    streamConfig.Reset();
    captureBuilder.Reset();
    mediaControl.Reset();
    graph.Reset();
    sampleGrabber.Reset();
    grabberFilter.Reset();
    deviceFilter.Reset();
}

bool DirectShowVideoCapture::DirectShowDevice::IsOpened() const
{
    return isRunning.load();
}

void DirectShowVideoCapture::DirectShowDevice::Open()
{
    if (isRunning.load())
    {
        return;
    }
    const auto& format = static_cast<const DirectShowFrameFormat&>(*GetSelectedFormat());
    if (stopFailed)
    {
        ThrowIfFailed(mediaControl->Stop());
        stopFailed = false;
        TearDownDownstream(deviceFilter.Get());
        RemoveInsertedFilters();
    }
    try
    {
        ThrowIfFailed(streamConfig->SetFormat(format.mediaType.Get()));
        // A device without a preview pin gets a Smart Tee in front of its
        // capture pin (VFW_S_NOPREVIEWPIN, a success).
        ThrowIfFailed(captureBuilder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video,
                                                   deviceFilter.Get(), nullptr, grabberFilter.Get()));
        ThrowIfFailed(mediaControl->Run());
    }
    catch (...)
    {
        // Leave the graph as the next Open expects it: stopped, with nothing
        // connected and nothing inserted, whatever step failed.
        mediaControl->Stop();
        try
        {
            TearDownDownstream(deviceFilter.Get());
            RemoveInsertedFilters();
        }
        catch (...)
        {
            // The first failure is the one to report.
        }
        throw;
    }
    isRunning = true;
}

void DirectShowVideoCapture::DirectShowDevice::Close()
{
    if (!isRunning.load())
    {
        return;
    }
    const HRESULT stopped = mediaControl->Stop();
    // Whatever Stop and the tear-down below answer, samples from here on
    // reach nothing and the next Open starts over.
    isRunning = false;
    stopFailed = FAILED(stopped);
    if (stopFailed)
    {
        // A graph that still runs keeps its connections; Open stops it first.
        ThrowIfFailed(stopped);
    }
    TearDownDownstream(deviceFilter.Get());
    RemoveInsertedFilters();
}

void DirectShowVideoCapture::DirectShowDevice::RemoveInsertedFilters()
{
    std::vector<ComPointer<IBaseFilter>> inserted;
    {
        ComPointer<IEnumFilters> filters;
        ThrowIfFailed(graph->EnumFilters(filters.Put()));
        for (;;)
        {
            ComPointer<IBaseFilter> filter;
            if (filters->Next(1, filter.Put(), nullptr) != S_OK || !filter)
            {
                break;
            }
            if (filter.Get() != deviceFilter.Get() && filter.Get() != grabberFilter.Get())
            {
                inserted.push_back(std::move(filter));
            }
        }
    }
    for (const auto& filter : inserted)
    {
        ThrowIfFailed(graph->RemoveFilter(filter.Get()));
    }
}

void DirectShowVideoCapture::DirectShowDevice::TearDownDownstream(IBaseFilter* filter)
{
    ComPointer<IEnumPins> pins;
    if (filter == nullptr || FAILED(filter->EnumPins(pins.Put())) || !pins)
    {
        return;
    }
    pins->Reset();
    for (;;)
    {
        ComPointer<IPin> pin;
        if (pins->Next(1, pin.Put(), nullptr) != S_OK || !pin)
        {
            return;
        }
        ComPointer<IPin> connected;
        if (FAILED(pin->ConnectedTo(connected.Put())) || !connected)
        {
            continue;
        }
        PinInformation connectedInfo;
        if (FAILED(connected->QueryPinInfo(&connectedInfo.info)))
        {
            return;
        }
        if (connectedInfo.info.dir == PINDIR_INPUT)
        {
            TearDownDownstream(connectedInfo.info.pFilter);
            ThrowIfFailed(graph->Disconnect(connected.Get()));
            ThrowIfFailed(graph->Disconnect(pin.Get()));
        }
    }
}

void DirectShowVideoCapture::DirectShowDevice::OnBuffer(const BYTE* buffer, long length)
{
    const std::int64_t arrived = PerformanceCounter();
    if (!isRunning.load())
    {
        return;
    }
    try
    {
        AutoLock lock(frameLock);
        const FrameFormat& format = *GetSelectedFormat();
        const std::int32_t sourceStride = format.stride;
        const std::int32_t sourceHeight = format.height;
        if (sourceHeight > 0)
        {
            const std::size_t rowBytes = static_cast<std::size_t>(std::abs(sourceStride));
            const std::size_t needed = rowBytes * static_cast<std::size_t>(sourceHeight);
            if (buffer == nullptr || length < 0 || static_cast<std::size_t>(length) < needed)
            {
                throw Exception(L"取り込んだフレームのデータが画像の大きさに足りません。");
            }
            const std::int32_t rows = std::min(sourceHeight, frame.height);
            const std::size_t copyBytes = std::min(rowBytes, static_cast<std::size_t>(frame.stride));
            for (std::int32_t i = 0; i < rows; ++i)
            {
                const std::size_t sourceRow = sourceStride < 0
                                                  ? static_cast<std::size_t>(sourceHeight - 1 - i)
                                                  : static_cast<std::size_t>(i);
                std::memcpy(frame.pixels.data() +
                                static_cast<std::size_t>(i) * static_cast<std::size_t>(frame.stride),
                            buffer + sourceRow * rowBytes, copyBytes);
            }
        }
        NotifyFrame(frame, arrived);
    }
    catch (const Exception& error)
    {
        NotifyError(error);
        throw;
    }
    catch (...)
    {
        const Exception error(static_cast<HRESULT>(E_UNEXPECTED));
        NotifyError(error);
        throw error;
    }
}

} // namespace Common
