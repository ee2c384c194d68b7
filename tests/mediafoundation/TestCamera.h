// The test camera of the Media Foundation tests (Wine lists no capture
// device): an activation object, a live media source and its one video
// stream. Media types, samples, buffers, attribute stores, descriptors and
// event queues are the platform's own; ours is only what a camera decides:
// the types it offers, when it answers a sample request, its frames' bytes,
// and the one buffer the platform cannot make (a two-dimensional buffer
// shorter than its rows).
// Threads: the source reader calls the source and the stream on its work
// queue, the device calls the activation object on the test thread; each
// object guards its state with its mutex_.
#pragma once

#include "FakeCameraSettings.h"
#include "support/ComObject.h"

#include "Common/ComPointer.h"

#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace MediaFoundationTests
{

using TestSupport::Answers;
using TestSupport::ComObject;

// Test sources, streams and activation objects alive; locks taken on short
// buffers and not undone.
struct LiveObjects
{
    static inline std::atomic<int> objects{0};
    static inline std::atomic<int> bufferLocks{0};
    // Shutdown calls on a source that was already shut down.
    static inline std::atomic<int> repeatedShutdowns{0};
};

// One frame of a test camera and the buffer its samples carry it in.
struct TestFrame
{
    enum class Access
    {
        Plain,              // the platform's memory buffer, rows `pitch` apart
        TwoDimensional,     // the platform's two-dimensional buffer
        ShortTwoDimensional // ours, one without Lock2DSize
    };
    GUID subtype{};
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> packed; // rows top-down, unpadded; MJPG: the JPEG file
    Access access = Access::Plain;
    std::int32_t pitch = 0;  // plain: 0 packs the rows
    bool bottomUp = false;   // the top image row is the last in memory
    std::size_t missing = 0; // plain and ours: bytes cut off the end

    std::int32_t RowBytes() const;
    // The stride a media type of this frame declares (negative: bottom-up).
    std::int32_t Stride() const;
    HRESULT MakeBuffer(IMFMediaBuffer** buffer) const;
    // What the program's converter of the subtype makes of the packed rows
    // (the conversion itself is checked in the transformer suite).
    std::vector<std::uint8_t> Expected() const;
};

// Pseudo-random pixels from `seed` (MJPG: a JPEG of a ramp).
std::shared_ptr<TestFrame> MakeFrame(const GUID& subtype, std::int32_t width, std::int32_t height,
                                     std::uint32_t seed, TestFrame::Access access = TestFrame::Access::Plain,
                                     std::int32_t pitch = 0, bool bottomUp = false);

// What a test camera offers: its native media types in order, each with the
// frame its samples carry. Read-only once the camera exists.
struct CameraSetup
{
    std::vector<Common::ComPointer<IMFMediaType>> types;
    std::vector<std::shared_ptr<const TestFrame>> frames;
    // Sample requests wait for TestStream::Deliver instead of being answered at once.
    bool holdSamples = false;
    // The source has a second stream of the same types (as a camera's photo
    // stream), selected by default, that never delivers anything.
    bool secondStream = false;
    // The settings its source offers through IAMVideoProcAmp and IAMCameraControl.
    FakeCameraSettingTable procAmp, cameraControl;

    // stride: MF_MT_DEFAULT_STRIDE unless 0; extraAttributes: that many more.
    IMFMediaType* AddType(const GUID& subtype, UINT32 width, UINT32 height, UINT32 rateNumerator,
                          UINT32 rateDenominator, INT32 stride, std::shared_ptr<const TestFrame> frame,
                          UINT32 extraAttributes = 0);
    // A camera of one type at 30 fps whose frame is MakeFrame(subtype, width, height, seed).
    static std::shared_ptr<CameraSetup> OneType(const GUID& subtype, UINT32 width, UINT32 height,
                                                std::uint32_t seed);
};

// Attribute of every test media type: its index in the setup.
// {6A1F3C52-7D0B-4E8A-9B61-2C5D8E4F7A10}
inline constexpr GUID TestTypeIndexKey = {
    0x6a1f3c52, 0x7d0b, 0x4e8a, {0x9b, 0x61, 0x2c, 0x5d, 0x8e, 0x4f, 0x7a, 0x10}};

// IMFMediaEventGenerator over one of the platform's event queues.
template <typename Base> class QueuedEvents : public Base
{
public:
    HRESULT STDMETHODCALLTYPE GetEvent(DWORD flags, IMFMediaEvent** event) override
    {
        return events_->GetEvent(flags, event);
    }
    HRESULT STDMETHODCALLTYPE BeginGetEvent(IMFAsyncCallback* callback, IUnknown* state) override
    {
        return events_->BeginGetEvent(callback, state);
    }
    HRESULT STDMETHODCALLTYPE EndGetEvent(IMFAsyncResult* result, IMFMediaEvent** event) override
    {
        return events_->EndGetEvent(result, event);
    }
    HRESULT STDMETHODCALLTYPE QueueEvent(MediaEventType type, REFGUID extended, HRESULT status,
                                         const PROPVARIANT* value) override
    {
        return events_->QueueEventParamVar(type, extended, status, value);
    }

protected:
    QueuedEvents() : Base(&LiveObjects::objects) { Common::ThrowIfFailed(MFCreateEventQueue(events_.Put())); }
    ~QueuedEvents() override { events_->Shutdown(); }

    Common::ComPointer<IMFMediaEventQueue> events_;
};

class TestSource;

class TestStream final
    : public QueuedEvents<ComObject<Answers<IMFMediaEventGenerator, IMFMediaStream>, IMFMediaStream>>
{
public:
    TestStream(TestSource* source, std::shared_ptr<const CameraSetup> setup, IMFStreamDescriptor* descriptor);

    HRESULT STDMETHODCALLTYPE GetMediaSource(IMFMediaSource** source) override;
    HRESULT STDMETHODCALLTYPE GetStreamDescriptor(IMFStreamDescriptor** descriptor) override;
    HRESULT STDMETHODCALLTYPE RequestSample(IUnknown* token) override;

    // Answers up to `count` held requests; returns how many.
    int Deliver(int count);
    int GetPendingCount();
    // A stream tick: the reader reports it as a result without a sample.
    void QueueTick();
    // The camera switches to the setup's type `index` on its own: later
    // samples carry that type's frame.
    HRESULT ChangeType(std::size_t index);

private:
    friend class TestSource;
    ~TestStream() override = default;
    HRESULT SendSample(IUnknown* token);
    void Shutdown();

    std::mutex mutex_;
    TestSource* source_; // guarded by mutex_; null after shut-down
    const std::shared_ptr<const CameraSetup> setup_;
    const Common::ComPointer<IMFStreamDescriptor> descriptor_;
    std::deque<Common::ComPointer<IUnknown>> pending_; // guarded by mutex_
    LONGLONG time_ = 0;                                // guarded by mutex_
};

class TestSource final
    : public QueuedEvents<ComObject<
          Answers<IMFMediaEventGenerator, IMFMediaSource, IAMVideoProcAmp, IAMCameraControl>, IMFMediaSource,
          FakeCameraSettings<IAMVideoProcAmp>, FakeCameraSettings<IAMCameraControl>>>
{
public:
    explicit TestSource(std::shared_ptr<const CameraSetup> setup);

    HRESULT STDMETHODCALLTYPE GetCharacteristics(DWORD* characteristics) override;
    HRESULT STDMETHODCALLTYPE CreatePresentationDescriptor(IMFPresentationDescriptor** descriptor) override;
    HRESULT STDMETHODCALLTYPE Start(IMFPresentationDescriptor*, const GUID*, const PROPVARIANT*) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override { return MF_E_INVALID_STATE_TRANSITION; }
    HRESULT STDMETHODCALLTYPE Shutdown() override;

    TestStream& GetStream() { return *stream_.Get(); }
    // Which streams the last Start was given selected, in stream order.
    std::vector<bool> GetStartSelection();
    // The camera is unplugged: the source says so, as a real one does.
    HRESULT QueueDeviceRemoved();

private:
    ~TestSource() override;

    std::mutex mutex_;
    Common::ComPointer<IMFPresentationDescriptor> descriptor_;
    Common::ComPointer<TestStream> stream_;
    bool shutdown_ = false;            // guarded by mutex_
    std::vector<bool> startSelection_; // guarded by mutex_
};

// The activation object: its attributes (the platform's store) carry the
// name and the link; ActivateObject makes a source, kept until ShutdownObject.
class TestActivate final : public ComObject<Answers<IMFAttributes, IMFActivate>, IMFActivate>
{
public:
    // An empty name leaves that attribute out.
    static Common::ComPointer<TestActivate> Create(const std::wstring& name, const std::wstring& link,
                                                   std::shared_ptr<const CameraSetup> setup);

    Common::ComPointer<TestSource> GetSource();

    // Later activations fail with this code (S_OK: they succeed again).
    std::atomic<HRESULT> activationResult{S_OK};
    // ShutdownObject answers this after shutting the source down.
    std::atomic<HRESULT> shutdownResult{S_OK};
    std::atomic<int> activations{0};
    std::atomic<int> shutdowns{0};

    HRESULT STDMETHODCALLTYPE ActivateObject(REFIID iid, void** result) override;
    HRESULT STDMETHODCALLTYPE ShutdownObject() override;
    HRESULT STDMETHODCALLTYPE DetachObject() override { return E_NOTIMPL; }

    // IMFAttributes, answered by the store.
    // clang-format off
    TAVIX_FORWARD(GetItem, (REFGUID k, PROPVARIANT* v), (k, v))
    TAVIX_FORWARD(GetItemType, (REFGUID k, MF_ATTRIBUTE_TYPE* t), (k, t))
    TAVIX_FORWARD(CompareItem, (REFGUID k, REFPROPVARIANT v, BOOL* r), (k, v, r))
    TAVIX_FORWARD(Compare, (IMFAttributes* a, MF_ATTRIBUTES_MATCH_TYPE t, BOOL* r), (a, t, r))
    TAVIX_FORWARD(GetUINT32, (REFGUID k, UINT32* v), (k, v))
    TAVIX_FORWARD(GetUINT64, (REFGUID k, UINT64* v), (k, v))
    TAVIX_FORWARD(GetDouble, (REFGUID k, double* v), (k, v))
    TAVIX_FORWARD(GetGUID, (REFGUID k, GUID* v), (k, v))
    TAVIX_FORWARD(GetStringLength, (REFGUID k, UINT32* l), (k, l))
    TAVIX_FORWARD(GetString, (REFGUID k, LPWSTR v, UINT32 s, UINT32* l), (k, v, s, l))
    TAVIX_FORWARD(GetAllocatedString, (REFGUID k, LPWSTR* v, UINT32* l), (k, v, l))
    TAVIX_FORWARD(GetBlobSize, (REFGUID k, UINT32* s), (k, s))
    TAVIX_FORWARD(GetBlob, (REFGUID k, UINT8* b, UINT32 s, UINT32* l), (k, b, s, l))
    TAVIX_FORWARD(GetAllocatedBlob, (REFGUID k, UINT8** b, UINT32* s), (k, b, s))
    TAVIX_FORWARD(GetUnknown, (REFGUID k, REFIID i, LPVOID* r), (k, i, r))
    TAVIX_FORWARD(SetItem, (REFGUID k, REFPROPVARIANT v), (k, v))
    TAVIX_FORWARD(DeleteItem, (REFGUID k), (k))
    TAVIX_FORWARD(DeleteAllItems, (), ())
    TAVIX_FORWARD(SetUINT32, (REFGUID k, UINT32 v), (k, v))
    TAVIX_FORWARD(SetUINT64, (REFGUID k, UINT64 v), (k, v))
    TAVIX_FORWARD(SetDouble, (REFGUID k, double v), (k, v))
    TAVIX_FORWARD(SetGUID, (REFGUID k, REFGUID v), (k, v))
    TAVIX_FORWARD(SetString, (REFGUID k, LPCWSTR v), (k, v))
    TAVIX_FORWARD(SetBlob, (REFGUID k, const UINT8* b, UINT32 s), (k, b, s))
    TAVIX_FORWARD(SetUnknown, (REFGUID k, IUnknown* v), (k, v))
    TAVIX_FORWARD(LockStore, (), ())
    TAVIX_FORWARD(UnlockStore, (), ())
    TAVIX_FORWARD(GetCount, (UINT32* c), (c))
    TAVIX_FORWARD(GetItemByIndex, (UINT32 i, GUID* k, PROPVARIANT* v), (i, k, v))
    TAVIX_FORWARD(CopyAllItems, (IMFAttributes* d), (d))
    // clang-format on

private:
    explicit TestActivate(std::shared_ptr<const CameraSetup> setup);
    ~TestActivate() override;

    const std::shared_ptr<const CameraSetup> setup_;
    Common::ComPointer<IMFAttributes> inner_; // the platform's attribute store
    std::mutex mutex_;
    Common::ComPointer<TestSource> source_; // guarded by mutex_
};

} // namespace MediaFoundationTests
