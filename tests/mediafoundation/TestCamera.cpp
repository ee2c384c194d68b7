#include "TestCamera.h"

#include "support/TestJpeg.h"

#include "Common/capture/mediafoundation/MediaFoundationDevice.h"
#include "Common/capture/transform/Transformer.h"

#include <mferror.h>

#include <algorithm>
#include <cstring>
#include <random>

namespace MediaFoundationTests
{

using Common::ComPointer;
using Common::ThrowIfFailed;

namespace
{

bool Is(const GUID& a, const GUID& b)
{
    return IsEqualGUID(a, b) != FALSE;
}

bool Planar(const GUID& subtype)
{
    return Is(subtype, MFVideoFormat_NV12) || Is(subtype, MFVideoFormat_I420);
}

// A two-dimensional buffer whose bytes end `missing` short of its rows; it
// tells its real length through GetContiguousLength only (no IMF2DBuffer2),
// as some drivers' buffers do.
class ShortBuffer final : public ComObject<Answers<IMFMediaBuffer, IMF2DBuffer>, IMFMediaBuffer, IMF2DBuffer>
{
public:
    ShortBuffer(std::vector<std::uint8_t> bytes, LONG pitch) : bytes_(std::move(bytes)), pitch_(pitch) {}

    HRESULT STDMETHODCALLTYPE Lock(BYTE** data, DWORD* maxLength, DWORD* length) override
    {
        ++LiveObjects::bufferLocks;
        *data = bytes_.data();
        GetCurrentLength(maxLength);
        return GetCurrentLength(length);
    }
    HRESULT STDMETHODCALLTYPE Unlock() override
    {
        return --LiveObjects::bufferLocks >= 0 ? S_OK : E_UNEXPECTED;
    }
    HRESULT STDMETHODCALLTYPE GetCurrentLength(DWORD* length) override
    {
        if (length != nullptr)
        {
            *length = static_cast<DWORD>(bytes_.size());
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetCurrentLength(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMaxLength(DWORD* length) override { return GetCurrentLength(length); }
    HRESULT STDMETHODCALLTYPE Lock2D(BYTE** scanline0, LONG* pitch) override
    {
        *pitch = pitch_;
        return Lock(scanline0, nullptr, nullptr);
    }
    HRESULT STDMETHODCALLTYPE Unlock2D() override { return Unlock(); }
    HRESULT STDMETHODCALLTYPE GetScanline0AndPitch(BYTE**, LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsContiguousFormat(BOOL* contiguous) override
    {
        *contiguous = FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetContiguousLength(DWORD* length) override { return GetCurrentLength(length); }
    HRESULT STDMETHODCALLTYPE ContiguousCopyTo(BYTE*, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ContiguousCopyFrom(const BYTE*, DWORD) override { return E_NOTIMPL; }

private:
    std::vector<std::uint8_t> bytes_;
    const LONG pitch_;
};

// Copies the packed rows of `frame` to `first`, `pitch` bytes apart in
// memory (negative: upwards).
void CopyRows(const TestFrame& frame, std::uint8_t* first, std::int64_t pitch)
{
    const std::size_t rowBytes = static_cast<std::size_t>(frame.RowBytes());
    for (std::size_t row = 0; row < frame.packed.size() / rowBytes; ++row)
    {
        std::memcpy(first + static_cast<std::int64_t>(row) * pitch, frame.packed.data() + row * rowBytes,
                    rowBytes);
    }
}

} // namespace

std::int32_t TestFrame::RowBytes() const
{
    if (Is(subtype, MFVideoFormat_MJPG))
    {
        return static_cast<std::int32_t>(packed.size());
    }
    if (Is(subtype, MFVideoFormat_RGB32) || Is(subtype, MFVideoFormat_ARGB32))
    {
        return width * 4;
    }
    if (Is(subtype, MFVideoFormat_RGB24))
    {
        return width * 3;
    }
    return Is(subtype, MFVideoFormat_RGB8) || Planar(subtype) ? width : width * 2;
}

std::int32_t TestFrame::Stride() const
{
    const std::int32_t rowPitch = pitch != 0 ? pitch : RowBytes();
    return bottomUp ? -rowPitch : rowPitch;
}

HRESULT TestFrame::MakeBuffer(IMFMediaBuffer** buffer) const
{
    ComPointer<IMFMediaBuffer> made;
    try
    {
        if (access == Access::Plain)
        {
            // Bottom-up: the last row first in memory.
            const std::int64_t rowPitch = std::abs(Stride());
            const std::size_t rows = packed.size() / RowBytes();
            const std::size_t size = rows * static_cast<std::size_t>(rowPitch);
            ThrowIfFailed(MFCreateMemoryBuffer(static_cast<DWORD>(size), made.Put()));
            BYTE* data = nullptr;
            ThrowIfFailed(made->Lock(&data, nullptr, nullptr));
            CopyRows(*this, bottomUp ? data + (rows - 1) * rowPitch : data, bottomUp ? -rowPitch : rowPitch);
            ThrowIfFailed(made->Unlock());
            ThrowIfFailed(made->SetCurrentLength(static_cast<DWORD>(size - missing)));
        }
        else if (access == Access::TwoDimensional)
        {
            ThrowIfFailed(MFCreate2DMediaBuffer(static_cast<DWORD>(width), static_cast<DWORD>(height),
                                                subtype.Data1, bottomUp, made.Put()));
            ComPointer<IMF2DBuffer> view;
            ThrowIfFailed(made.QueryInterface(view));
            BYTE* scanline0 = nullptr;
            LONG platformPitch = 0;
            ThrowIfFailed(view->Lock2D(&scanline0, &platformPitch));
            // The platform's scan line 0 is the top image row; a negative pitch goes up in memory.
            CopyRows(*this, scanline0, platformPitch);
            ThrowIfFailed(view->Unlock2D());
        }
        else
        {
            std::vector<std::uint8_t> bytes(packed.size() - missing);
            std::copy_n(packed.begin(), bytes.size(), bytes.begin());
            made.Attach(new ShortBuffer(std::move(bytes), RowBytes()));
        }
    }
    catch (const Common::Exception& error)
    {
        return error.ErrorCode;
    }
    *buffer = made.Detach();
    return S_OK;
}

std::vector<std::uint8_t> TestFrame::Expected() const
{
    for (const auto& transformer : Common::MediaFoundationDevice::CreateTransformers())
    {
        if (Is(transformer->GetSubtype(), subtype))
        {
            Common::FrameBuffer out;
            out.Resize(width, height);
            transformer->Transform(packed.data(), static_cast<std::uint32_t>(packed.size()), width, height,
                                   Is(subtype, MFVideoFormat_MJPG) ? 0 : RowBytes(), out);
            return out.pixels;
        }
    }
    return {};
}

std::shared_ptr<TestFrame> MakeFrame(const GUID& subtype, std::int32_t width, std::int32_t height,
                                     std::uint32_t seed, TestFrame::Access access, std::int32_t pitch,
                                     bool bottomUp)
{
    auto frame = std::make_shared<TestFrame>();
    *frame = {subtype, width, height, {}, access, pitch, bottomUp};
    if (Is(subtype, MFVideoFormat_MJPG))
    {
        frame->packed = TestSupport::EncodeJpeg(width, height,
                                                [&](int x, int y, std::uint8_t bgr[3])
                                                {
                                                    bgr[0] = static_cast<std::uint8_t>(x * 255 / width);
                                                    bgr[1] = static_cast<std::uint8_t>(y * 255 / height);
                                                    bgr[2] = static_cast<std::uint8_t>(seed * 40);
                                                });
        return frame;
    }
    std::mt19937 random(seed);
    frame->packed.resize(std::size_t(frame->RowBytes()) *
                         (Planar(subtype) ? height + (height + 1) / 2 : height));
    std::generate(frame->packed.begin(), frame->packed.end(),
                  [&] { return static_cast<std::uint8_t>(random()); });
    return frame;
}

IMFMediaType* CameraSetup::AddType(const GUID& subtype, UINT32 width, UINT32 height, UINT32 rateNumerator,
                                   UINT32 rateDenominator, INT32 stride,
                                   std::shared_ptr<const TestFrame> frame, UINT32 extraAttributes)
{
    ComPointer<IMFMediaType> type;
    ThrowIfFailed(MFCreateMediaType(type.Put()));
    ThrowIfFailed(type->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video));
    ThrowIfFailed(type->SetGUID(MF_MT_SUBTYPE, subtype));
    ThrowIfFailed(MFSetAttributeSize(type.Get(), MF_MT_FRAME_SIZE, width, height));
    ThrowIfFailed(MFSetAttributeRatio(type.Get(), MF_MT_FRAME_RATE, rateNumerator, rateDenominator));
    if (stride != 0)
    {
        ThrowIfFailed(type->SetUINT32(MF_MT_DEFAULT_STRIDE, static_cast<UINT32>(stride)));
    }
    ThrowIfFailed(type->SetUINT32(TestTypeIndexKey, static_cast<UINT32>(types.size())));
    for (UINT32 i = 0; i < extraAttributes; ++i)
    {
        GUID key = TestTypeIndexKey;
        key.Data1 += i + 1;
        ThrowIfFailed(type->SetUINT32(key, i));
    }
    types.push_back(type);
    frames.push_back(std::move(frame));
    return type.Get();
}

std::shared_ptr<CameraSetup> CameraSetup::OneType(const GUID& subtype, UINT32 width, UINT32 height,
                                                  std::uint32_t seed)
{
    auto setup = std::make_shared<CameraSetup>();
    const auto frame =
        MakeFrame(subtype, static_cast<std::int32_t>(width), static_cast<std::int32_t>(height), seed);
    setup->AddType(subtype, width, height, 30, 1, frame->Stride(), frame);
    return setup;
}

// The stream.

TestStream::TestStream(TestSource* source, std::shared_ptr<const CameraSetup> setup,
                       IMFStreamDescriptor* descriptor)
    : source_(source), setup_(std::move(setup)), descriptor_(descriptor)
{
}

HRESULT TestStream::GetMediaSource(IMFMediaSource** source)
{
    std::lock_guard lock(mutex_);
    return source_ == nullptr ? MF_E_SHUTDOWN : source_->QueryInterface(IID_PPV_ARGS(source));
}

HRESULT TestStream::GetStreamDescriptor(IMFStreamDescriptor** descriptor)
{
    *descriptor = descriptor_.Get();
    (*descriptor)->AddRef();
    return S_OK;
}

HRESULT TestStream::RequestSample(IUnknown* token)
{
    std::lock_guard lock(mutex_);
    if (source_ == nullptr)
    {
        return MF_E_SHUTDOWN;
    }
    if (setup_->holdSamples)
    {
        pending_.emplace_back(token);
        return S_OK;
    }
    return SendSample(token);
}

HRESULT TestStream::SendSample(IUnknown* token)
{
    // The frame of the type the reader set (before it sets one: the first).
    ComPointer<IMFMediaTypeHandler> handler;
    ComPointer<IMFMediaType> current;
    UINT32 index = 0;
    if (SUCCEEDED(descriptor_->GetMediaTypeHandler(handler.Put())) &&
        SUCCEEDED(handler->GetCurrentMediaType(current.Put())))
    {
        current->GetUINT32(TestTypeIndexKey, &index);
    }
    ComPointer<IMFSample> sample;
    ComPointer<IMFMediaBuffer> buffer;
    HRESULT hr = MFCreateSample(sample.Put());
    if (SUCCEEDED(hr))
    {
        hr = setup_->frames.at(index)->MakeBuffer(buffer.Put());
    }
    if (SUCCEEDED(hr))
    {
        sample->AddBuffer(buffer.Get());
        sample->SetSampleTime(time_);
        sample->SetSampleDuration(333333);
        time_ += 333333;
        if (token != nullptr)
        {
            sample->SetUnknown(MFSampleExtension_Token, token);
        }
        hr = events_->QueueEventParamUnk(MEMediaSample, GUID_NULL, S_OK, sample.Get());
    }
    return hr;
}

void TestStream::Shutdown()
{
    std::lock_guard lock(mutex_);
    source_ = nullptr;
    pending_.clear();
    events_->Shutdown();
}

int TestStream::Deliver(int count)
{
    std::lock_guard lock(mutex_);
    int sent = 0;
    while (sent < count && !pending_.empty() && source_ != nullptr)
    {
        const ComPointer<IUnknown> token = std::move(pending_.front());
        pending_.pop_front();
        sent += SUCCEEDED(SendSample(token.Get())) ? 1 : 0;
    }
    return sent;
}

int TestStream::GetPendingCount()
{
    std::lock_guard lock(mutex_);
    return static_cast<int>(pending_.size());
}

HRESULT TestStream::ChangeType(std::size_t index)
{
    std::lock_guard lock(mutex_);
    ComPointer<IMFMediaTypeHandler> handler;
    HRESULT hr = descriptor_->GetMediaTypeHandler(handler.Put());
    return SUCCEEDED(hr) ? handler->SetCurrentMediaType(setup_->types.at(index).Get()) : hr;
}

void TestStream::QueueTick()
{
    PROPVARIANT time;
    PropVariantInit(&time);
    time.vt = VT_I8;
    events_->QueueEventParamVar(MEStreamTick, GUID_NULL, S_OK, &time);
}

// The source.

TestSource::TestSource(std::shared_ptr<const CameraSetup> setup)
{
    FakeCameraSettings<IAMVideoProcAmp>::Fill(setup->procAmp);
    FakeCameraSettings<IAMCameraControl>::Fill(setup->cameraControl);
    std::vector<IMFMediaType*> types;
    for (const auto& type : setup->types)
    {
        types.push_back(type.Get());
    }
    ComPointer<IMFStreamDescriptor> streamDescriptor;
    ThrowIfFailed(
        MFCreateStreamDescriptor(0, static_cast<DWORD>(types.size()), types.data(), streamDescriptor.Put()));
    ComPointer<IMFStreamDescriptor> second;
    if (setup->secondStream)
    {
        ThrowIfFailed(
            MFCreateStreamDescriptor(1, static_cast<DWORD>(types.size()), types.data(), second.Put()));
    }
    IMFStreamDescriptor* descriptors[] = {streamDescriptor.Get(), second.Get()};
    ThrowIfFailed(MFCreatePresentationDescriptor(second ? 2 : 1, descriptors, descriptor_.Put()));
    ThrowIfFailed(descriptor_->SelectStream(0));
    if (second)
    {
        ThrowIfFailed(descriptor_->SelectStream(1));
    }
    stream_.Attach(new TestStream(this, std::move(setup), streamDescriptor.Get()));
}

TestSource::~TestSource()
{
    stream_->Shutdown();
}

HRESULT TestSource::GetCharacteristics(DWORD* characteristics)
{
    std::lock_guard lock(mutex_);
    *characteristics = MFMEDIASOURCE_IS_LIVE;
    return shutdown_ ? MF_E_SHUTDOWN : S_OK;
}

HRESULT TestSource::CreatePresentationDescriptor(IMFPresentationDescriptor** descriptor)
{
    std::lock_guard lock(mutex_);
    return shutdown_ ? MF_E_SHUTDOWN : descriptor_->Clone(descriptor);
}

HRESULT TestSource::Start(IMFPresentationDescriptor* descriptor, const GUID*, const PROPVARIANT*)
{
    std::lock_guard lock(mutex_);
    if (shutdown_)
    {
        return MF_E_SHUTDOWN;
    }
    DWORD count = 0;
    startSelection_.clear();
    if (descriptor != nullptr && SUCCEEDED(descriptor->GetStreamDescriptorCount(&count)))
    {
        for (DWORD i = 0; i < count; ++i)
        {
            BOOL selected = FALSE;
            ComPointer<IMFStreamDescriptor> stream;
            descriptor->GetStreamDescriptorByIndex(i, &selected, stream.Put());
            startSelection_.push_back(selected != FALSE);
        }
    }
    PROPVARIANT time;
    PropVariantInit(&time);
    time.vt = VT_I8;
    HRESULT hr = events_->QueueEventParamUnk(MENewStream, GUID_NULL, S_OK,
                                             static_cast<IMFMediaStream*>(stream_.Get()));
    if (SUCCEEDED(hr))
    {
        hr = events_->QueueEventParamVar(MESourceStarted, GUID_NULL, S_OK, &time);
    }
    if (SUCCEEDED(hr))
    {
        hr = stream_->events_->QueueEventParamVar(MEStreamStarted, GUID_NULL, S_OK, &time);
    }
    return hr;
}

std::vector<bool> TestSource::GetStartSelection()
{
    std::lock_guard lock(mutex_);
    return startSelection_;
}

HRESULT TestSource::QueueDeviceRemoved()
{
    std::lock_guard lock(mutex_);
    return shutdown_ ? MF_E_SHUTDOWN
                     : events_->QueueEventParamVar(MEVideoCaptureDeviceRemoved, GUID_NULL, S_OK, nullptr);
}

HRESULT TestSource::Stop()
{
    std::lock_guard lock(mutex_);
    return shutdown_ ? MF_E_SHUTDOWN : events_->QueueEventParamVar(MESourceStopped, GUID_NULL, S_OK, nullptr);
}

HRESULT TestSource::Shutdown()
{
    std::lock_guard lock(mutex_);
    if (shutdown_)
    {
        ++LiveObjects::repeatedShutdowns;
        return MF_E_SHUTDOWN;
    }
    shutdown_ = true;
    stream_->Shutdown();
    return events_->Shutdown();
}

// The activation object.

ComPointer<TestActivate> TestActivate::Create(const std::wstring& name, const std::wstring& link,
                                              std::shared_ptr<const CameraSetup> setup)
{
    ComPointer<TestActivate> activate;
    activate.Attach(new TestActivate(std::move(setup)));
    if (!name.empty())
    {
        ThrowIfFailed(activate->SetString(MF_DEVSOURCE_ATTRIBUTE_FRIENDLY_NAME, name.c_str()));
    }
    ThrowIfFailed(activate->SetString(MF_DEVSOURCE_ATTRIBUTE_SOURCE_TYPE_VIDCAP_SYMBOLIC_LINK, link.c_str()));
    return activate;
}

TestActivate::TestActivate(std::shared_ptr<const CameraSetup> setup)
    : ComObject(&LiveObjects::objects), setup_(std::move(setup))
{
    ThrowIfFailed(MFCreateAttributes(inner_.Put(), 2));
}

TestActivate::~TestActivate()
{
    if (source_)
    {
        source_->Shutdown();
    }
}

ComPointer<TestSource> TestActivate::GetSource()
{
    std::lock_guard lock(mutex_);
    return source_;
}

HRESULT TestActivate::ActivateObject(REFIID iid, void** result)
{
    std::lock_guard lock(mutex_);
    if (FAILED(activationResult))
    {
        return activationResult;
    }
    if (!source_)
    {
        source_.Attach(new TestSource(setup_));
    }
    ++activations;
    return source_->QueryInterface(iid, result);
}

HRESULT TestActivate::ShutdownObject()
{
    std::lock_guard lock(mutex_);
    ++shutdowns;
    if (source_)
    {
        source_->Shutdown();
        source_.Reset();
    }
    return shutdownResult;
}

} // namespace MediaFoundationTests
