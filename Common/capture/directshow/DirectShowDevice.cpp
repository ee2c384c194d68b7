#include "Common/capture/directshow/DirectShowDevice.h"

#include "Common/capture/CameraControls.h"
#include "Common/capture/CaptureFailure.h"
#include "Common/capture/FormatList.h"
#include "Common/capture/directshow/DirectShowDeviceCallback.h"
#include "Common/capture/directshow/DirectShowFrameFormat.h"
#include "Common/capture/directshow/DirectShowMediaType.h"
#include "Common/capture/directshow/DirectShowSubtypes.h"
#include "Common/capture/directshow/DirectShowVideoInfo.h"
#include "Common/capture/directshow/GraphEventWatcher.h"
#include "Common/capture/transform/Transformer.h"

#include <oleauto.h>
#include <uuids.h>
#include <vfwmsgs.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace Common
{
namespace
{

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

// A media type filled by the callee into the caller's structure, freed with it.
class FilledMediaType
{
public:
    FilledMediaType() { std::memset(&type, 0, sizeof(type)); }
    ~FilledMediaType() { DirectShowMediaType::FreeContents(type); }
    FilledMediaType(const FilledMediaType&) = delete;
    FilledMediaType& operator=(const FilledMediaType&) = delete;
    AM_MEDIA_TYPE type;
};

void ThrowTooShort()
{
    Exception error(L"フレームのデータが不足しています。");
    error.ErrorCode = HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    throw error;
}

} // namespace

DirectShowVideoCapture::DirectShowDevice::DirectShowDevice(IMoniker& moniker, bool allowDuplicateFrameFormat,
                                                           const MediaControlFactory& mediaControlFactory,
                                                           const SampleGrabberFactory& sampleGrabberFactory)
{
    ThrowIfFailed(moniker.BindToObject(nullptr, nullptr, IID_IBaseFilter, deviceFilter.PutVoid()));
    {
        ComPointer<IPropertyBag> bag;
        ThrowIfFailed(moniker.BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.PutVoid()));
        name = ReadText(*bag.Get(), L"FriendlyName");
        try
        {
            path = ReadText(*bag.Get(), L"DevicePath");
        }
        catch (const Exception&)
        {
            // Virtual cameras often have no device path; their class id is
            // what stays the same from one run to the next.
            path = ReadText(*bag.Get(), L"CLSID");
        }
    }

    grabberFilter = MakeSampleGrabber(sampleGrabberFactory);
    ThrowIfFailed(grabberFilter.QueryInterface(sampleGrabber));
    // One copy a frame: the grabber hands over its sample (SampleCB) and
    // keeps no copy of its own.
    ThrowIfFailed(sampleGrabber->SetBufferSamples(FALSE));

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
    ThrowIfFailed(sampleGrabber->SetCallback(callback.Get(), 0));

    transformers = CreateDirectShowTransformers();
    EnumerateFormats(allowDuplicateFrameFormat);
    if (formats.empty())
    {
        throw Exception(L"使用できるフレームフォーマットがありません。");
    }
    ApplyFrameFormat();
    eventWatcher = std::make_unique<GraphEventWatcher>(*graph.Get(), [this] { OnDeviceLost(); });
}

void DirectShowVideoCapture::DirectShowDevice::OnDeviceLost()
{
    if (!isRunning.exchange(false))
    {
        return;
    }
    // From here on no sample reaches the sink; the graph is stopped on the
    // UI thread, which may be waiting for this thread to finish.
    lostWhileRunning = true;
    NotifyStreamEnded(CaptureFailure::Make(HRESULT_FROM_WIN32(ERROR_DEVICE_REMOVED)));
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
        // Formats whose block cannot be read as a video info header are left
        // out, and so are those the program cannot stream.
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
    eventWatcher.reset();
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
    transformers.clear();
    conversion = {};
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

std::shared_ptr<CameraControls> DirectShowVideoCapture::DirectShowDevice::GetCameraControls()
{
    return std::make_shared<CameraControls>(deviceFilter.Get());
}

void DirectShowVideoCapture::DirectShowDevice::Open()
{
    if (isRunning.load())
    {
        return;
    }
    const auto& format = static_cast<const DirectShowFrameFormat&>(*GetSelectedFormat());
    if (lostWhileRunning.exchange(false) || stopFailed)
    {
        ThrowIfFailed(mediaControl->Stop());
        stopFailed = false;
        TearDownDownstream(deviceFilter.Get());
        RemoveInsertedFilters();
    }
    try
    {
        ThrowIfFailed(streamConfig->SetFormat(format.mediaType.Get()));
        const AM_MEDIA_TYPE wanted = GetGrabberType(*format.mediaType.Get());
        ThrowIfFailed(sampleGrabber->SetMediaType(&wanted));
        // The capture pin, whose format was just set: a camera with a preview
        // pin of its own may stream something else there.
        ThrowIfFailed(captureBuilder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video,
                                                   deviceFilter.Get(), nullptr, grabberFilter.Get()));
        {
            FilledMediaType connected;
            ThrowIfFailed(sampleGrabber->GetConnectedMediaType(&connected.type));
            SwitchConversion(GetConversion(connected.type));
        }
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
    const bool lost = lostWhileRunning.exchange(false);
    if (!isRunning.load() && !lost)
    {
        return;
    }
    const HRESULT stopped = mediaControl->Stop();
    // Whatever Stop and the tear-down below answer, samples from here on
    // reach nothing and the next Open starts over.
    isRunning = false;
    stopFailed = FAILED(stopped);
    // A camera that is gone has had its say already.
    if (stopFailed && !lost)
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

AM_MEDIA_TYPE DirectShowVideoCapture::DirectShowDevice::GetGrabberType(const AM_MEDIA_TYPE& format)
{
    AM_MEDIA_TYPE wanted = {};
    wanted.majortype = MEDIATYPE_Video;
    if (IsConvertedByTransformer(format.subtype))
    {
        // The device's own samples, in the block kind the format came with.
        wanted.subtype = format.subtype;
        wanted.formattype = format.formattype;
    }
    else
    {
        wanted.subtype = MEDIASUBTYPE_ARGB32;
        wanted.formattype = FORMAT_VideoInfo;
    }
    return wanted;
}

DirectShowVideoCapture::DirectShowDevice::Conversion
DirectShowVideoCapture::DirectShowDevice::GetConversion(const AM_MEDIA_TYPE& type) const
{
    const std::optional<DirectShowVideoInfo> info = DirectShowVideoInfo::Read(type);
    if (!info || info->bitmapWidth <= 0 || info->bitmapWidth > FrameFormat::MaximumSide ||
        info->bitmapHeight == 0 || info->bitmapHeight < -FrameFormat::MaximumSide ||
        info->bitmapHeight > FrameFormat::MaximumSide)
    {
        throw Exception(L"フレームフォーマットの情報が不完全です。");
    }
    Conversion made;
    for (const auto& transformer : transformers)
    {
        if (std::memcmp(&transformer->GetSubtype(), &type.subtype, sizeof(GUID)) == 0)
        {
            made.transformer = transformer;
            break;
        }
    }
    if (!made.transformer)
    {
        Exception error(L"このフレームフォーマットは変換できません。");
        error.ErrorCode = VFW_E_TYPE_NOT_ACCEPTED;
        throw error;
    }
    made.width = info->bitmapWidth;
    made.height = std::abs(info->bitmapHeight);
    made.stride = static_cast<std::int32_t>(info->GetStride(type.subtype));
    DirectShowMediaType copy(static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE))));
    if (!copy)
    {
        throw Exception(static_cast<HRESULT>(E_OUTOFMEMORY));
    }
    std::memset(copy.Get(), 0, sizeof(AM_MEDIA_TYPE));
    ThrowIfFailed(DirectShowMediaType::CopyInto(type, *copy.Get()));
    made.format = std::make_shared<const DirectShowFrameFormat>(std::move(copy));
    return made;
}

void DirectShowVideoCapture::DirectShowDevice::SwitchConversion(Conversion made)
{
    AutoLock lock(frameLock);
    conversion = std::move(made);
    // The transformer is the device's one for this subtype: what it knows
    // of the samples beyond their size (the YUV encoding) is set here,
    // under the lock its conversions run under.
    conversion.transformer->SetSourceFormat(*conversion.format);
}

void DirectShowVideoCapture::DirectShowDevice::OnSample(IMediaSample& sample)
{
    const std::int64_t arrived = PerformanceCounter();
    if (!isRunning.load())
    {
        return;
    }
    BYTE* buffer = nullptr;
    long length = 0;
    try
    {
        DirectShowMediaType changed;
        if (sample.GetMediaType(changed.Put()) == S_OK && changed)
        {
            SwitchConversion(GetConversion(*changed.Get()));
        }
        ThrowIfFailed(sample.GetPointer(&buffer));
        length = sample.GetActualDataLength();
    }
    catch (const Exception& error)
    {
        NotifyError(error);
        throw;
    }
    Deliver(buffer, length, arrived);
}

void DirectShowVideoCapture::DirectShowDevice::OnBuffer(const BYTE* buffer, long length)
{
    const std::int64_t arrived = PerformanceCounter();
    if (!isRunning.load())
    {
        return;
    }
    Deliver(buffer, length, arrived);
}

void DirectShowVideoCapture::DirectShowDevice::Deliver(const BYTE* buffer, long length, std::int64_t arrived)
{
    try
    {
        // The conversion this sample arrived under: it changes only on this
        // thread (a sample bringing a new type) or while the graph stops.
        Conversion current;
        {
            AutoLock lock(frameLock);
            current = conversion;
        }
        if (!current.transformer)
        {
            throw Exception(static_cast<HRESULT>(E_POINTER));
        }
        if (buffer == nullptr || length <= 0)
        {
            ThrowTooShort();
        }
        // The transformer is given the top image row; for bottom-up rows
        // that is the last one in the buffer.
        const BYTE* top = buffer;
        if (current.stride < 0)
        {
            const std::uint64_t offset =
                static_cast<std::uint64_t>(current.height - 1) *
                static_cast<std::uint64_t>(-static_cast<std::int64_t>(current.stride));
            if (offset >= static_cast<std::uint64_t>(length))
            {
                ThrowTooShort();
            }
            top += offset;
        }
        // A decode (MJPG) runs before frameLock is taken, so readers of the
        // frame do not wait for it.
        current.transformer->Prepare(top, static_cast<std::uint32_t>(length));
        AutoLock lock(frameLock);
        current.transformer->Transform(top, static_cast<std::uint32_t>(length), current.width, current.height,
                                       current.stride, frame);
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
