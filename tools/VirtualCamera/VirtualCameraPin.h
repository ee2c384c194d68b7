// VirtualCamera::VirtualCameraPin: an output pin of the camera: its capture
// pin, and on the instances that have one a preview pin with formats of its
// own (as some real cameras have). It negotiates the media type and the
// allocator with the downstream input pin, lets IAMStreamConfig choose the
// format, and while the filter runs pushes time-stamped frames of the test
// pattern from a thread of its own (FrameStreamer) at the format's nominal
// rate.
//
// Threads: graph calls on any thread under the filter's lock.
#pragma once

#include "CameraFormat.h"
#include "Common/ComPointer.h"
#include "FrameStreamer.h"
#include "Common/capture/directshow/DirectShowMediaType.h"

#include <windows.h>

#include <strmif.h>

#include <optional>
#include <vector>

namespace VirtualCamera
{

class VirtualCameraFilter;

class VirtualCameraPin final : public IPin, public IAMStreamConfig, public IKsPropertySet
{
public:
    // `category` and `name` are constants that outlive the pin.
    VirtualCameraPin(VirtualCameraFilter& filter, const GUID& category, const wchar_t* name);
    ~VirtualCameraPin();
    VirtualCameraPin(const VirtualCameraPin&) = delete;
    VirtualCameraPin& operator=(const VirtualCameraPin&) = delete;

    // IUnknown (the count is the filter's)
    STDMETHODIMP QueryInterface(REFIID iid, void** result) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IPin
    STDMETHODIMP Connect(IPin* receivePin, const AM_MEDIA_TYPE* mediaType) override;
    STDMETHODIMP ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mediaType) override;
    STDMETHODIMP Disconnect() override;
    STDMETHODIMP ConnectedTo(IPin** pin) override;
    STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* mediaType) override;
    STDMETHODIMP QueryPinInfo(PIN_INFO* info) override;
    STDMETHODIMP QueryDirection(PIN_DIRECTION* direction) override;
    STDMETHODIMP QueryId(LPWSTR* id) override;
    STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* mediaType) override;
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** enumerator) override;
    STDMETHODIMP QueryInternalConnections(IPin** pins, ULONG* count) override;
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;
    STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

    // IAMStreamConfig
    STDMETHODIMP SetFormat(AM_MEDIA_TYPE* mediaType) override;
    STDMETHODIMP GetFormat(AM_MEDIA_TYPE** mediaType) override;
    STDMETHODIMP GetNumberOfCapabilities(int* count, int* size) override;
    STDMETHODIMP GetStreamCaps(int index, AM_MEDIA_TYPE** mediaType, BYTE* caps) override;

    // IKsPropertySet
    STDMETHODIMP Set(REFGUID set, DWORD id, void* instance, DWORD instanceSize, void* data,
                     DWORD dataSize) override;
    STDMETHODIMP Get(REFGUID set, DWORD id, void* instance, DWORD instanceSize, void* data, DWORD dataSize,
                     DWORD* returned) override;
    STDMETHODIMP QuerySupported(REFGUID set, DWORD id, DWORD* support) override;

    // For the filter, under its lock.
    void SetCatalogue(std::vector<CameraFormat> catalogue);
    HRESULT StartStreaming();
    void StopStreaming();

    const wchar_t* GetName() const { return name_; }

    static constexpr wchar_t CaptureName[] = L"Capture";
    static constexpr wchar_t PreviewName[] = L"Preview";

private:
    // The formats offered for connection: the one chosen with SetFormat, else all usable ones.
    std::vector<std::size_t> GetOfferedIndices() const;
    std::optional<std::size_t> FindFormat(const AM_MEDIA_TYPE& mediaType) const;
    HRESULT DecideAllocator(IPin* receivePin, const CameraFormat& format);
    HRESULT TryAllocator(IMemInputPin& input, IMemAllocator& allocator, const ALLOCATOR_PROPERTIES& wanted,
                         int imageBytes);

    VirtualCameraFilter& filter_;
    const GUID& category_;
    const wchar_t* const name_;

    // Guarded by the filter's lock.
    std::vector<CameraFormat> catalogue_;
    std::optional<std::size_t> chosen_;
    std::optional<std::size_t> connectedIndex_;
    Common::ComPointer<IPin> connectedTo_;
    Common::ComPointer<IMemInputPin> memInput_;
    Common::ComPointer<IMemAllocator> allocator_;
    Common::DirectShowMediaType connectionType_;
    FrameStreamer streamer_;
};

} // namespace VirtualCamera
