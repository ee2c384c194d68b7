// VirtualCamera::VirtualCameraFilter: the virtual camera's DirectShow source
// filter: a capture pin (VirtualCameraPin), on the instances that ask for it
// a preview pin as well, live-source states (paused delivers nothing,
// running pushes frames), the property-bag load that picks the format
// catalogue of the registered instance, and its settings with the property
// page that shows them (CameraPropertyPage).
//
// Threads: any caller; the state, the graph and the pin's connection are
// guarded by the filter's recursive lock.
#pragma once

#include "CameraSettings.h"
#include "ComObject.h"
#include "Common/ComPointer.h"
#include "SettingsInterface.h"
#include "VirtualCameraPin.h"

#include <windows.h>

#include <ocidl.h>
#include <strmif.h>

#include <memory>
#include <mutex>
#include <string>

namespace VirtualCamera
{

class VirtualCameraFilter final
    : public ComObject<ComInterface<IBaseFilter, IID_IPersist, IID_IMediaFilter, IID_IBaseFilter>,
                       ComInterface<IAMFilterMiscFlags, IID_IAMFilterMiscFlags>,
                       ComInterface<IPersistPropertyBag, IID_IPersistPropertyBag>,
                       ComInterface<ProcAmpInterface, IID_IAMVideoProcAmp>,
                       ComInterface<CameraControlInterface, IID_IAMCameraControl>,
                       ComInterface<ISpecifyPropertyPages, IID_ISpecifyPropertyPages>>
{
public:
    VirtualCameraFilter();
    ~VirtualCameraFilter() override;

    // IPersist (shared by IBaseFilter and IPersistPropertyBag)
    STDMETHODIMP GetClassID(CLSID* classId) override;

    // IMediaFilter
    STDMETHODIMP Stop() override;
    STDMETHODIMP Pause() override;
    STDMETHODIMP Run(REFERENCE_TIME start) override;
    STDMETHODIMP GetState(DWORD timeout, FILTER_STATE* state) override;
    STDMETHODIMP SetSyncSource(IReferenceClock* clock) override;
    STDMETHODIMP GetSyncSource(IReferenceClock** clock) override;

    // IBaseFilter
    STDMETHODIMP EnumPins(IEnumPins** enumerator) override;
    STDMETHODIMP FindPin(LPCWSTR id, IPin** pin) override;
    STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override;
    STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
    STDMETHODIMP QueryVendorInfo(LPWSTR* info) override;

    // IAMFilterMiscFlags
    STDMETHODIMP_(ULONG) GetMiscFlags() override;

    // IPersistPropertyBag
    STDMETHODIMP InitNew() override;
    STDMETHODIMP Load(IPropertyBag* bag, IErrorLog* log) override;
    STDMETHODIMP Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAll) override;

    // ISpecifyPropertyPages: the camera's one page (CameraPropertyPage).
    STDMETHODIMP GetPages(CAUUID* pages) override;

    // IAMVideoProcAmp and IAMCameraControl answer from these; so does the picture.
    CameraSettings& GetCameraSettings() override { return settings_; }

    std::recursive_mutex& GetLock() { return lock_; }
    // The caller holds GetLock().
    FILTER_STATE GetStateLocked() const { return state_; }
    // The graph's event sink, not counted (null outside a graph); the caller
    // holds GetLock().
    IMediaEventSink* GetEventSinkLocked() const { return events_; }
    // Whether the camera's cable (CameraPlug) is this instance's.
    bool IsCabledLocked() const { return cabled_; }

private:
    std::recursive_mutex lock_;
    FILTER_STATE state_ = State_Stopped;        // guarded by lock_
    IFilterGraph* graph_ = nullptr;             // not counted (the graph owns us); guarded by lock_
    IMediaEventSink* events_ = nullptr;         // the graph's, not counted either; guarded by lock_
    std::wstring name_;                         // guarded by lock_
    bool cabled_ = true;                        // made by Load; guarded by lock_
    Common::ComPointer<IReferenceClock> clock_; // guarded by lock_
    CameraSettings settings_;                   // before the pin: its streaming thread reads them
    VirtualCameraPin pin_;
    std::unique_ptr<VirtualCameraPin> preview_; // made by Load; guarded by lock_
};

} // namespace VirtualCamera
