#include "VirtualCameraFilter.h"

#include "CameraPlug.h"
#include "PinEnumerator.h"
#include "VirtualCameraIds.h"

#include <oleauto.h>
#include <uuids.h>
#include <vfwmsgs.h>

#include <cstring>
#include <cwchar>
#include <vector>

namespace VirtualCamera
{

VirtualCameraFilter::VirtualCameraFilter() : pin_(*this, PIN_CATEGORY_CAPTURE, VirtualCameraPin::CaptureName)
{
}

VirtualCameraFilter::~VirtualCameraFilter()
{
    std::lock_guard lock(lock_);
    pin_.StopStreaming();
    if (preview_)
    {
        preview_->StopStreaming();
    }
}

STDMETHODIMP VirtualCameraFilter::GetClassID(CLSID* classId)
{
    if (classId == nullptr)
    {
        return E_POINTER;
    }
    *classId = ClassId;
    return S_OK;
}

STDMETHODIMP VirtualCameraFilter::GetPages(CAUUID* pages)
{
    if (pages == nullptr)
    {
        return E_POINTER;
    }
    pages->cElems = 0;
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
    if (pages->pElems == nullptr)
    {
        return E_OUTOFMEMORY;
    }
    pages->cElems = 1;
    pages->pElems[0] = PropertyPageId;
    return S_OK;
}

STDMETHODIMP VirtualCameraFilter::Stop()
{
    std::lock_guard lock(lock_);
    pin_.StopStreaming();
    if (preview_)
    {
        preview_->StopStreaming();
    }
    state_ = State_Stopped;
    return S_OK;
}

STDMETHODIMP VirtualCameraFilter::Pause()
{
    std::lock_guard lock(lock_);
    // A camera that is gone cannot get ready either.
    if (state_ == State_Stopped && cabled_ && CameraPlug::IsUnplugged())
    {
        return HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);
    }
    pin_.StopStreaming();
    if (preview_)
    {
        preview_->StopStreaming();
    }
    state_ = State_Paused;
    return S_OK;
}

STDMETHODIMP VirtualCameraFilter::Run(REFERENCE_TIME)
{
    std::lock_guard lock(lock_);
    if (cabled_ && CameraPlug::IsUnplugged())
    {
        return HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);
    }
    HRESULT hr = pin_.StartStreaming();
    if (SUCCEEDED(hr) && preview_)
    {
        hr = preview_->StartStreaming();
        if (FAILED(hr))
        {
            pin_.StopStreaming();
        }
    }
    if (FAILED(hr))
    {
        return hr;
    }
    state_ = State_Running;
    return S_OK;
}

STDMETHODIMP VirtualCameraFilter::GetState(DWORD, FILTER_STATE* state)
{
    if (state == nullptr)
    {
        return E_POINTER;
    }
    std::lock_guard lock(lock_);
    *state = state_;
    // A live source has nothing to show while paused.
    return state_ == State_Paused ? VFW_S_CANT_CUE : S_OK;
}

STDMETHODIMP VirtualCameraFilter::SetSyncSource(IReferenceClock* clock)
{
    std::lock_guard lock(lock_);
    clock_ = Common::ComPointer<IReferenceClock>(clock);
    return S_OK;
}

STDMETHODIMP VirtualCameraFilter::GetSyncSource(IReferenceClock** clock)
{
    if (clock == nullptr)
    {
        return E_POINTER;
    }
    std::lock_guard lock(lock_);
    *clock = clock_.Get();
    if (*clock != nullptr)
    {
        (*clock)->AddRef();
    }
    return S_OK;
}

STDMETHODIMP VirtualCameraFilter::EnumPins(IEnumPins** enumerator)
{
    if (enumerator == nullptr)
    {
        return E_POINTER;
    }
    std::lock_guard lock(lock_);
    std::vector<Common::ComPointer<IPin>> pins = {Common::ComPointer<IPin>(&pin_)};
    if (preview_)
    {
        pins.emplace_back(preview_.get());
    }
    *enumerator = new PinEnumerator(std::move(pins), 0);
    return S_OK;
}

STDMETHODIMP VirtualCameraFilter::FindPin(LPCWSTR id, IPin** pin)
{
    if (id == nullptr || pin == nullptr)
    {
        return E_POINTER;
    }
    std::lock_guard lock(lock_);
    VirtualCameraPin* found = std::wcscmp(id, pin_.GetName()) == 0                    ? &pin_
                              : preview_ && std::wcscmp(id, preview_->GetName()) == 0 ? preview_.get()
                                                                                      : nullptr;
    *pin = found;
    if (found == nullptr)
    {
        return VFW_E_NOT_FOUND;
    }
    found->AddRef();
    return S_OK;
}

STDMETHODIMP VirtualCameraFilter::QueryFilterInfo(FILTER_INFO* info)
{
    if (info == nullptr)
    {
        return E_POINTER;
    }
    std::lock_guard lock(lock_);
    std::memset(info, 0, sizeof(*info));
    wcsncpy(info->achName, name_.c_str(), MAX_FILTER_NAME - 1);
    info->pGraph = graph_;
    if (graph_ != nullptr)
    {
        graph_->AddRef();
    }
    return S_OK;
}

STDMETHODIMP VirtualCameraFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name)
{
    std::lock_guard lock(lock_);
    graph_ = graph;
    events_ = nullptr;
    if (graph != nullptr &&
        SUCCEEDED(graph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&events_))))
    {
        // Held without a count, as the graph itself is: the graph owns the filter.
        events_->Release();
    }
    name_ = name != nullptr ? name : L"";
    return S_OK;
}

STDMETHODIMP VirtualCameraFilter::QueryVendorInfo(LPWSTR*)
{
    return E_NOTIMPL;
}

STDMETHODIMP_(ULONG) VirtualCameraFilter::GetMiscFlags()
{
    return AM_FILTER_MISC_FLAGS_IS_SOURCE;
}

STDMETHODIMP VirtualCameraFilter::InitNew()
{
    return S_OK;
}

STDMETHODIMP VirtualCameraFilter::Load(IPropertyBag* bag, IErrorLog*)
{
    if (bag == nullptr)
    {
        return E_POINTER;
    }
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    const bool named = SUCCEEDED(bag->Read(CatalogueProperty, &value, nullptr)) && value.vt == VT_BSTR &&
                       value.bstrVal != nullptr;
    const auto is = [&](const wchar_t* catalogue)
    { return named && std::wcscmp(value.bstrVal, catalogue) == 0; };
    std::vector<CameraFormat> catalogue = is(BrokenCatalogue)       ? CameraFormat::BrokenCatalogue()
                                          : is(VideoInfo2Catalogue) ? CameraFormat::VideoInfo2Catalogue()
                                                                    : CameraFormat::StandardCatalogue();
    const bool withPreview = is(PreviewPinCatalogue);
    VariantClear(&value);
    // The cable (CameraPlug) is the standard camera's: other instances,
    // at paths of their own, stay plugged in.
    value.vt = VT_BSTR;
    const bool cabled = SUCCEEDED(bag->Read(L"DevicePath", &value, nullptr)) && value.vt == VT_BSTR &&
                        value.bstrVal != nullptr && std::wcscmp(value.bstrVal, DevicePath) == 0;
    VariantClear(&value);
    std::lock_guard lock(lock_);
    cabled_ = cabled;
    pin_.SetCatalogue(std::move(catalogue));
    if (withPreview && !preview_)
    {
        preview_ =
            std::make_unique<VirtualCameraPin>(*this, PIN_CATEGORY_PREVIEW, VirtualCameraPin::PreviewName);
        preview_->SetCatalogue(CameraFormat::PreviewCatalogue());
    }
    return S_OK;
}

STDMETHODIMP VirtualCameraFilter::Save(IPropertyBag*, BOOL, BOOL)
{
    return E_NOTIMPL;
}

} // namespace VirtualCamera
