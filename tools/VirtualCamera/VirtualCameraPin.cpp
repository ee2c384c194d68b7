#include "VirtualCameraPin.h"

#include "ComInterface.h"
#include "MediaTypeEnumerator.h"
#include "VirtualCameraFilter.h"

#include <uuids.h>
#include <vfwmsgs.h>

#include <algorithm>
#include <cstring>
#include <cwchar>

namespace VirtualCamera
{
namespace
{

// A GUID_NULL field of a partial media type matches anything.
bool FieldMatches(const GUID& wanted, const GUID& offered)
{
    return wanted == GUID_NULL || wanted == offered;
}

} // namespace

VirtualCameraPin::VirtualCameraPin(VirtualCameraFilter& filter, const GUID& category, const wchar_t* name)
    : filter_(filter), category_(category), name_(name), catalogue_(CameraFormat::StandardCatalogue())
{
}

VirtualCameraPin::~VirtualCameraPin()
{
    StopStreaming();
}

STDMETHODIMP VirtualCameraPin::QueryInterface(REFIID iid, void** result)
{
    return QueryInterfaces<ComInterface<IPin, IID_IPin>, ComInterface<IAMStreamConfig, IID_IAMStreamConfig>,
                           ComInterface<IKsPropertySet, IID_IKsPropertySet>>(this, iid, result);
}

STDMETHODIMP_(ULONG) VirtualCameraPin::AddRef()
{
    return filter_.AddRef();
}

STDMETHODIMP_(ULONG) VirtualCameraPin::Release()
{
    return filter_.Release();
}

std::vector<std::size_t> VirtualCameraPin::GetOfferedIndices() const
{
    if (chosen_)
    {
        return {*chosen_};
    }
    std::vector<std::size_t> indices;
    for (std::size_t i = 0; i < catalogue_.size(); ++i)
    {
        if (catalogue_[i].IsStreamable())
        {
            indices.push_back(i);
        }
    }
    return indices;
}

std::optional<std::size_t> VirtualCameraPin::FindFormat(const AM_MEDIA_TYPE& mediaType) const
{
    for (const std::size_t i : GetOfferedIndices())
    {
        if (catalogue_[i].Matches(mediaType))
        {
            return i;
        }
    }
    return std::nullopt;
}

STDMETHODIMP VirtualCameraPin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* mediaType)
{
    if (receivePin == nullptr)
    {
        return E_POINTER;
    }
    std::lock_guard lock(filter_.GetLock());
    if (connectedTo_)
    {
        return VFW_E_ALREADY_CONNECTED;
    }
    if (filter_.GetStateLocked() != State_Stopped)
    {
        return VFW_E_NOT_STOPPED;
    }
    for (const std::size_t i : GetOfferedIndices())
    {
        const CameraFormat& format = catalogue_[i];
        if (!format.IsStreamable())
        {
            continue; // chosen, but nothing the camera can paint
        }
        Common::DirectShowMediaType offered;
        if (FAILED(format.CreateMediaType(offered.Put())))
        {
            return E_OUTOFMEMORY;
        }
        if (mediaType != nullptr)
        {
            if (!FieldMatches(mediaType->majortype, offered->majortype) ||
                !FieldMatches(mediaType->subtype, offered->subtype) ||
                !FieldMatches(mediaType->formattype, offered->formattype) ||
                (mediaType->pbFormat != nullptr && !format.Matches(*mediaType)))
            {
                continue;
            }
        }
        if (FAILED(receivePin->ReceiveConnection(this, offered.Get())))
        {
            continue;
        }
        if (FAILED(DecideAllocator(receivePin, format)))
        {
            receivePin->Disconnect();
            continue;
        }
        connectedTo_ = Common::ComPointer<IPin>(receivePin);
        connectionType_ = std::move(offered);
        connectedIndex_ = i;
        return S_OK;
    }
    return VFW_E_NO_ACCEPTABLE_TYPES;
}

HRESULT VirtualCameraPin::TryAllocator(IMemInputPin& input, IMemAllocator& allocator,
                                       const ALLOCATOR_PROPERTIES& wanted, int imageBytes)
{
    ALLOCATOR_PROPERTIES actual = {};
    ALLOCATOR_PROPERTIES request = wanted;
    HRESULT hr = allocator.SetProperties(&request, &actual);
    if (FAILED(hr))
    {
        return hr;
    }
    if (actual.cbBuffer < imageBytes)
    {
        return E_FAIL;
    }
    return input.NotifyAllocator(&allocator, FALSE);
}

HRESULT VirtualCameraPin::DecideAllocator(IPin* receivePin, const CameraFormat& format)
{
    Common::ComPointer<IMemInputPin> input;
    HRESULT hr = receivePin->QueryInterface(IID_IMemInputPin, input.PutVoid());
    if (FAILED(hr))
    {
        return hr;
    }
    ALLOCATOR_PROPERTIES required = {};
    if (FAILED(input->GetAllocatorRequirements(&required)))
    {
        required = {};
    }
    ALLOCATOR_PROPERTIES wanted = {};
    wanted.cBuffers = std::max<long>(required.cBuffers, 3);
    wanted.cbBuffer = std::max<long>(required.cbBuffer, format.GetImageBytes());
    wanted.cbAlign = std::max<long>(required.cbAlign, 1);
    wanted.cbPrefix = required.cbPrefix;

    Common::ComPointer<IMemAllocator> allocator;
    if (SUCCEEDED(input->GetAllocator(allocator.Put())) &&
        SUCCEEDED(TryAllocator(*input.Get(), *allocator.Get(), wanted, format.GetImageBytes())))
    {
        memInput_ = std::move(input);
        allocator_ = std::move(allocator);
        return S_OK;
    }
    allocator.Reset();
    hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                          allocator.PutVoid());
    if (FAILED(hr))
    {
        return hr;
    }
    hr = TryAllocator(*input.Get(), *allocator.Get(), wanted, format.GetImageBytes());
    if (FAILED(hr))
    {
        return hr;
    }
    memInput_ = std::move(input);
    allocator_ = std::move(allocator);
    return S_OK;
}

STDMETHODIMP VirtualCameraPin::ReceiveConnection(IPin*, const AM_MEDIA_TYPE*)
{
    return E_UNEXPECTED; // an output pin
}

STDMETHODIMP VirtualCameraPin::Disconnect()
{
    std::lock_guard lock(filter_.GetLock());
    if (filter_.GetStateLocked() != State_Stopped)
    {
        return VFW_E_NOT_STOPPED;
    }
    if (!connectedTo_)
    {
        return S_FALSE;
    }
    connectedTo_.Reset();
    memInput_.Reset();
    allocator_.Reset();
    connectionType_.Reset();
    connectedIndex_.reset();
    return S_OK;
}

STDMETHODIMP VirtualCameraPin::ConnectedTo(IPin** pin)
{
    if (pin == nullptr)
    {
        return E_POINTER;
    }
    std::lock_guard lock(filter_.GetLock());
    *pin = connectedTo_.Get();
    if (*pin == nullptr)
    {
        return VFW_E_NOT_CONNECTED;
    }
    (*pin)->AddRef();
    return S_OK;
}

STDMETHODIMP VirtualCameraPin::ConnectionMediaType(AM_MEDIA_TYPE* mediaType)
{
    if (mediaType == nullptr)
    {
        return E_POINTER;
    }
    std::lock_guard lock(filter_.GetLock());
    if (!connectedTo_)
    {
        std::memset(mediaType, 0, sizeof(*mediaType));
        return VFW_E_NOT_CONNECTED;
    }
    return Common::DirectShowMediaType::CopyInto(*connectionType_.Get(), *mediaType);
}

STDMETHODIMP VirtualCameraPin::QueryPinInfo(PIN_INFO* info)
{
    if (info == nullptr)
    {
        return E_POINTER;
    }
    info->pFilter = &filter_;
    filter_.AddRef();
    info->dir = PINDIR_OUTPUT;
    wcsncpy(info->achName, name_, MAX_PIN_NAME - 1);
    info->achName[MAX_PIN_NAME - 1] = L'\0';
    return S_OK;
}

STDMETHODIMP VirtualCameraPin::QueryDirection(PIN_DIRECTION* direction)
{
    if (direction == nullptr)
    {
        return E_POINTER;
    }
    *direction = PINDIR_OUTPUT;
    return S_OK;
}

STDMETHODIMP VirtualCameraPin::QueryId(LPWSTR* id)
{
    if (id == nullptr)
    {
        return E_POINTER;
    }
    const std::size_t bytes = (std::wcslen(name_) + 1) * sizeof(wchar_t);
    *id = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (*id == nullptr)
    {
        return E_OUTOFMEMORY;
    }
    std::memcpy(*id, name_, bytes);
    return S_OK;
}

STDMETHODIMP VirtualCameraPin::QueryAccept(const AM_MEDIA_TYPE* mediaType)
{
    if (mediaType == nullptr)
    {
        return E_POINTER;
    }
    std::lock_guard lock(filter_.GetLock());
    return FindFormat(*mediaType) ? S_OK : S_FALSE;
}

STDMETHODIMP VirtualCameraPin::EnumMediaTypes(IEnumMediaTypes** enumerator)
{
    if (enumerator == nullptr)
    {
        return E_POINTER;
    }
    std::lock_guard lock(filter_.GetLock());
    // Every type the pin describes, usable or not (the capture graph builder
    // looks for the video major type here); connections try only sound ones.
    std::vector<CameraFormat> listed;
    if (chosen_)
    {
        listed.push_back(catalogue_[*chosen_]);
    }
    else
    {
        listed = catalogue_;
    }
    *enumerator = new MediaTypeEnumerator(std::move(listed), 0);
    return S_OK;
}

STDMETHODIMP VirtualCameraPin::QueryInternalConnections(IPin**, ULONG*)
{
    return E_NOTIMPL;
}

STDMETHODIMP VirtualCameraPin::EndOfStream()
{
    return E_UNEXPECTED;
}

STDMETHODIMP VirtualCameraPin::BeginFlush()
{
    return E_UNEXPECTED;
}

STDMETHODIMP VirtualCameraPin::EndFlush()
{
    return E_UNEXPECTED;
}

STDMETHODIMP VirtualCameraPin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double)
{
    return S_OK;
}

STDMETHODIMP VirtualCameraPin::SetFormat(AM_MEDIA_TYPE* mediaType)
{
    std::lock_guard lock(filter_.GetLock());
    if (filter_.GetStateLocked() != State_Stopped)
    {
        return VFW_E_NOT_STOPPED;
    }
    if (mediaType == nullptr)
    {
        chosen_.reset();
        return S_OK;
    }
    std::optional<std::size_t> found;
    for (std::size_t i = 0; i < catalogue_.size() && !found; ++i)
    {
        if (catalogue_[i].Describes(*mediaType))
        {
            found = i;
        }
    }
    if (!found)
    {
        return VFW_E_INVALIDMEDIATYPE;
    }
    if (connectedTo_ && connectedIndex_ != found)
    {
        return VFW_E_ALREADY_CONNECTED;
    }
    chosen_ = found;
    return S_OK;
}

STDMETHODIMP VirtualCameraPin::GetFormat(AM_MEDIA_TYPE** mediaType)
{
    if (mediaType == nullptr)
    {
        return E_POINTER;
    }
    std::lock_guard lock(filter_.GetLock());
    const std::vector<std::size_t> offered = GetOfferedIndices();
    if (offered.empty())
    {
        return VFW_E_NO_ACCEPTABLE_TYPES;
    }
    const std::size_t index = connectedIndex_ ? *connectedIndex_ : offered.front();
    return catalogue_[index].CreateMediaType(mediaType);
}

STDMETHODIMP VirtualCameraPin::GetNumberOfCapabilities(int* count, int* size)
{
    if (count == nullptr || size == nullptr)
    {
        return E_POINTER;
    }
    std::lock_guard lock(filter_.GetLock());
    *count = static_cast<int>(catalogue_.size());
    *size = sizeof(VIDEO_STREAM_CONFIG_CAPS);
    return S_OK;
}

STDMETHODIMP VirtualCameraPin::GetStreamCaps(int index, AM_MEDIA_TYPE** mediaType, BYTE* caps)
{
    if (mediaType == nullptr || caps == nullptr)
    {
        return E_POINTER;
    }
    std::lock_guard lock(filter_.GetLock());
    if (index < 0 || static_cast<std::size_t>(index) >= catalogue_.size())
    {
        return S_FALSE;
    }
    const CameraFormat& format = catalogue_[static_cast<std::size_t>(index)];
    const HRESULT hr = format.CreateMediaType(mediaType);
    if (FAILED(hr))
    {
        return hr;
    }
    VIDEO_STREAM_CONFIG_CAPS filled;
    format.FillCaps(filled);
    std::memcpy(caps, &filled, sizeof(filled));
    return S_OK;
}

STDMETHODIMP VirtualCameraPin::Set(REFGUID, DWORD, void*, DWORD, void*, DWORD)
{
    return E_PROP_ID_UNSUPPORTED;
}

STDMETHODIMP VirtualCameraPin::Get(REFGUID set, DWORD id, void*, DWORD, void* data, DWORD dataSize,
                                   DWORD* returned)
{
    if (set != AMPROPSETID_Pin)
    {
        return E_PROP_SET_UNSUPPORTED;
    }
    if (id != AMPROPERTY_PIN_CATEGORY)
    {
        return E_PROP_ID_UNSUPPORTED;
    }
    if (data == nullptr && returned == nullptr)
    {
        return E_POINTER;
    }
    if (returned != nullptr)
    {
        *returned = sizeof(GUID);
    }
    if (data == nullptr)
    {
        return S_OK;
    }
    if (dataSize < sizeof(GUID))
    {
        return E_UNEXPECTED;
    }
    std::memcpy(data, &category_, sizeof(GUID));
    return S_OK;
}

STDMETHODIMP VirtualCameraPin::QuerySupported(REFGUID set, DWORD id, DWORD* support)
{
    if (set != AMPROPSETID_Pin)
    {
        return E_PROP_SET_UNSUPPORTED;
    }
    if (id != AMPROPERTY_PIN_CATEGORY)
    {
        return E_PROP_ID_UNSUPPORTED;
    }
    if (support != nullptr)
    {
        *support = KSPROPERTY_SUPPORT_GET;
    }
    return S_OK;
}

void VirtualCameraPin::SetCatalogue(std::vector<CameraFormat> catalogue)
{
    catalogue_ = std::move(catalogue);
    chosen_.reset();
}

HRESULT VirtualCameraPin::StartStreaming()
{
    if (!connectedTo_ || !connectedIndex_)
    {
        return S_OK;
    }
    return streamer_.Start(catalogue_[*connectedIndex_], memInput_, allocator_, filter_.GetCameraSettings(),
                           filter_.GetEventSinkLocked(), &filter_, filter_.IsCabledLocked());
}

void VirtualCameraPin::StopStreaming()
{
    streamer_.Stop();
}

} // namespace VirtualCamera
