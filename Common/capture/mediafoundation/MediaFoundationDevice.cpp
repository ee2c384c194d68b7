#include "Common/capture/mediafoundation/MediaFoundationDevice.h"

#include "Common/TaskMemory.h"
#include "Common/capture/FormatList.h"
#include "Common/capture/mediafoundation/MediaFoundationDeviceCallback.h"
#include "Common/capture/transform/Transformer.h"
#include "Common/capture/mediafoundation/MediaFoundationFrameFormat.h"

#include <mfapi.h>
#include <mferror.h>

#include <cstring>

namespace Common
{

namespace
{

// A string attribute of the activation object, freed after copying.
std::wstring GetActivateString(IMFActivate* activate, const GUID& key, std::source_location where)
{
    wchar_t* text = nullptr;
    UINT32 length = 0;
    ThrowIfFailed(activate->GetAllocatedString(key, &text, &length), where);
    const TaskMemory<wchar_t> owned(text);
    return std::wstring(owned.get(), length);
}

// Wine's source reader must not lose its last reference inside one of its
// own work items: it then waits for its own work queue to drain from inside
// that queue, which never ends and blocks every later reader of the process.
// Its work items go on for a few steps of the platform's own clean-up after
// the last event they report (OnFlush, the source's shut-down), and no call
// tells when they have let go of the reader. So under Wine, and only there
// (only Wine's ntdll exports wine_get_version), the reader is let go a moment
// after that event. The moment covers no code of this program: every read
// has ended by then.
void SettleReaderOnWine()
{
    static const bool wine = []
    {
        const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    if (wine)
    {
        Sleep(MediaFoundationDevice::wineReaderSettleMilliseconds);
    }
}

// The error of a frame that is shorter than its format needs.
[[noreturn]] void ThrowFrameTooShort(std::source_location where = std::source_location::current())
{
    Exception error(L"フレームのデータが不足しています。", where);
    error.ErrorCode = HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    throw error;
}

} // namespace

HRESULT MediaFoundationDevice::CreateSourceReader(IMFMediaSource* source, IMFAttributes* attributes,
                                                  IMFSourceReader** reader)
{
    return MFCreateSourceReaderFromMediaSource(source, attributes, reader);
}

MediaFoundationDevice::MediaFoundationDevice(IMFActivate* activateObject, bool allowDuplicateFrameFormat,
                                             SourceReaderFactory readerFactory)
    : sharedDeviceLock(std::make_shared<CriticalSection>()), deviceLock(*sharedDeviceLock),
      activate(activateObject), sourceReaderFactory(std::move(readerFactory))
{
    if (!activate)
    {
        throw Exception(static_cast<HRESULT>(E_POINTER));
    }
    name = GetActivateString(activate.Get(), MF_DEVSOURCE_ATTRIBUTE_FRIENDLY_NAME,
                             std::source_location::current());
    path = GetActivateString(activate.Get(), MF_DEVSOURCE_ATTRIBUTE_SOURCE_TYPE_VIDCAP_SYMBOLIC_LINK,
                             std::source_location::current());

    AutoLock lock(deviceLock);
    ComPointer<IMFMediaSource> source;
    ThrowIfFailed(activate->ActivateObject(__uuidof(IMFMediaSource), source.PutVoid()));
    ComPointer<IMFSourceReader> enumerationReader;
    try
    {
        ComPointer<IMFAttributes> attributes;
        ThrowIfFailed(MFCreateAttributes(attributes.Put(), 1));
        ThrowIfFailed(attributes->SetUINT32(MF_READWRITE_DISABLE_CONVERTERS, TRUE));
        ThrowIfFailed(sourceReaderFactory(source.Get(), attributes.Get(), enumerationReader.Put()));

        // Any failure ends the list; the normal end is MF_E_NO_MORE_TYPES.
        for (DWORD index = 0;; ++index)
        {
            ComPointer<IMFMediaType> type;
            if (FAILED(enumerationReader->GetNativeMediaType(
                    static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM), index, type.Put())))
            {
                break;
            }
            AddFrameFormat(
                formats, std::make_shared<MediaFoundationFrameFormat>(type.Get()), allowDuplicateFrameFormat,
                [](const FrameFormat& kept, const FrameFormat& candidate)
                {
                    return static_cast<const MediaFoundationFrameFormat&>(kept).GetAttributeCount() <
                           static_cast<const MediaFoundationFrameFormat&>(candidate).GetAttributeCount();
                });
        }
    }
    catch (...)
    {
        // The source is activated again by Open(); never leave it running.
        activate->ShutdownObject();
        throw;
    }
    // A synchronous reader has no read of ours under way; the source's
    // shut-down ends the reader's own waits for its events.
    const HRESULT shutdown = activate->ShutdownObject();
    SettleReaderOnWine();
    enumerationReader.Reset();
    ThrowIfFailed(shutdown);

    // A device without any format cannot select format 0.
    if (formats.empty())
    {
        throw Exception(L"キャプチャーデバイスにフレームフォーマットがありません。");
    }
    transformers = CreateTransformers();
    ApplyFrameFormat();
}

MediaFoundationDevice::~MediaFoundationDevice()
{
    try
    {
        Close();
    }
    catch (const Exception&)
    {
        // The source could not be shut down or the reader did not confirm
        // its flush; nothing more can be done here.
    }
    try
    {
        FinishParkedClose();
    }
    catch (const Exception&)
    {
    }
}

bool MediaFoundationDevice::IsOpened() const
{
    AutoLock lock(deviceLock);
    return static_cast<bool>(reader);
}

void MediaFoundationDevice::Open()
{
    FinishParkedClose();
    AutoLock lock(deviceLock);
    if (reader)
    {
        return;
    }
    const auto& format = static_cast<const MediaFoundationFrameFormat&>(*GetSelectedFormat());
    ComPointer<IMFMediaSource> source;
    ComPointer<IMFAttributes> attributes;
    try
    {
        mediaTypeChanged = false;
        ThrowIfFailed(Callback::Create(this, sharedDeviceLock, callback.Put()));
        ThrowIfFailed(activate->ActivateObject(__uuidof(IMFMediaSource), source.PutVoid()));
        ThrowIfFailed(MFCreateAttributes(attributes.Put(), 2));
        ThrowIfFailed(attributes->SetUINT32(MF_READWRITE_DISABLE_CONVERTERS, TRUE));
        ThrowIfFailed(attributes->SetUnknown(MF_SOURCE_READER_ASYNC_CALLBACK, callback.Get()));
        ThrowIfFailed(sourceReaderFactory(source.Get(), attributes.Get(), reader.Put()));
        ThrowIfFailed(reader->SetCurrentMediaType(static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM),
                                                  nullptr, format.mediaType.Get()));
        ThrowIfFailed(reader->ReadSample(static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM), 0, nullptr,
                                         nullptr, nullptr, nullptr));
    }
    catch (...)
    {
        if (callback)
        {
            callback->DetachDevice();
            callback.Reset();
        }
        // No read was issued, so the reader has no work of ours under way.
        const HRESULT shutdown = activate->ShutdownObject();
        reader.Reset();
        ThrowIfFailed(shutdown);
        throw;
    }
}

MediaFoundationDevice::ClosingReader MediaFoundationDevice::DetachReader()
{
    ClosingReader closing;
    // From here on a late result of this reader reaches nothing.
    callback->DetachDevice();
    closing.callback.Swap(callback);
    closing.reader.Swap(reader);
    closing.flush = closing.reader->Flush(static_cast<DWORD>(MF_SOURCE_READER_ALL_STREAMS));
    return closing;
}

void MediaFoundationDevice::Close()
{
    FinishParkedClose();
    ClosingReader closing;
    {
        AutoLock lock(deviceLock);
        if (!reader)
        {
            return;
        }
        closing = DetachReader();
        if (deliveryThread == GetCurrentThreadId())
        {
            // Called from this device's own callback, inside one of the
            // reader's work items: the flush is confirmed only after this
            // item ends, and the reader must not be let go in here (see
            // FinishClosing). The next call from the owner finishes it.
            parked = std::move(closing);
            ThrowIfFailed(activate->ShutdownObject());
            return;
        }
    }
    // Outside deviceLock: a read result under way may be waiting for it.
    try
    {
        FinishClosing(closing);
    }
    catch (...)
    {
        activate->ShutdownObject();
        throw;
    }
    ThrowIfFailed(activate->ShutdownObject());
}

void MediaFoundationDevice::FinishParkedClose()
{
    ClosingReader closing;
    {
        AutoLock lock(deviceLock);
        if (!parked.reader)
        {
            return;
        }
        closing = std::move(parked);
    }
    FinishClosing(closing);
}

void MediaFoundationDevice::FinishClosing(ClosingReader& closing)
{
    // The flush cancels the outstanding read; its confirmation comes after
    // every read result already under way has been handed to the callback,
    // and after it the reader starts no more work for this program. On
    // Windows the reader is let go at once.
    ThrowIfFailed(closing.flush);
    if (!closing.callback->WaitForFlush(closeTimeoutMilliseconds))
    {
        // Letting go of a reader that is still busy could block this thread
        // for as long as the reader is stuck: leave it to the platform.
        static_cast<void>(closing.reader.Detach());
        Exception error(L"キャプチャーデバイスが停止の要求に応答しません。");
        error.ErrorCode = HRESULT_FROM_WIN32(ERROR_TIMEOUT);
        throw error;
    }
    SettleReaderOnWine();
    closing.reader.Reset();
}

void MediaFoundationDevice::ApplyFrameFormat()
{
    {
        AutoLock lock(deviceLock);
        const GUID& subtype = GetSelectedFormat()->subtype;
        currentTransformer.reset();
        for (const auto& transformer : transformers)
        {
            if (std::memcmp(&transformer->GetSubtype(), &subtype, sizeof(GUID)) == 0)
            {
                currentTransformer = transformer;
                currentTransformer->SetSourceFormat(*GetSelectedFormat());
                break;
            }
        }
    }
    Device::ApplyFrameFormat();
}

void MediaFoundationDevice::OnSample(DWORD streamFlags, IMFSample* sample)
{
    AutoLock lock(deviceLock);
    if (!reader)
    {
        return;
    }
    // Lets Close know when the sink calls it from inside this handler.
    deliveryThread = GetCurrentThreadId();
    struct DeliveryEnd
    {
        DWORD& thread;
        ~DeliveryEnd() { thread = 0; }
    } deliveryEnd{deliveryThread};
    try
    {
        if ((streamFlags & MF_SOURCE_READERF_CURRENTMEDIATYPECHANGED) != 0)
        {
            CheckChangedMediaType();
        }
        if (mediaTypeChanged)
        {
            Exception error(L"キャプチャーデバイスの映像の形式が変わりました。選び直してください。");
            error.ErrorCode = MF_E_INVALIDMEDIATYPE;
            throw error;
        }
        if (sample != nullptr)
        {
            ConvertSample(sample);
        }
        RequestNextSample();
    }
    catch (const Exception& error)
    {
        NotifyError(error);
        RequestNextSample();
        throw;
    }
    catch (...)
    {
        const Exception error(static_cast<HRESULT>(E_UNEXPECTED));
        NotifyError(error);
        RequestNextSample();
        throw error;
    }
}

void MediaFoundationDevice::CheckChangedMediaType()
{
    ComPointer<IMFMediaType> current;
    ThrowIfFailed(
        reader->GetCurrentMediaType(static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM), current.Put()));
    const MediaFoundationFrameFormat now(current.Get());
    const FrameFormat& selected = *GetSelectedFormat();
    mediaTypeChanged = std::memcmp(&now.subtype, &selected.subtype, sizeof(GUID)) != 0 ||
                       now.width != selected.width || now.height != selected.height ||
                       now.stride != selected.stride;
}

void MediaFoundationDevice::ConvertSample(IMFSample* sample)
{
    const std::int64_t arrived = PerformanceCounter();
    if (!currentTransformer)
    {
        throw Exception(static_cast<HRESULT>(E_POINTER));
    }
    ComPointer<IMFMediaBuffer> buffer;
    ThrowIfFailed(sample->GetBufferByIndex(0, buffer.Put()));
    ComPointer<IMF2DBuffer> buffer2D;
    if (FAILED(buffer.QueryInterface(buffer2D)))
    {
        buffer2D.Reset();
    }
    ComPointer<IMF2DBuffer2> buffer2DSized;
    if (buffer2D && FAILED(buffer.QueryInterface(buffer2DSized)))
    {
        buffer2DSized.Reset();
    }

    AutoLock frameGuard(frameLock);
    const FrameFormat& format = *GetSelectedFormat();
    std::int32_t stride = format.stride;
    BYTE* data = nullptr;
    DWORD length = 0;
    if (buffer2D)
    {
        // The transformer is told the bytes from the lowest image row in
        // memory to the end of the buffer, so that it never reads past it.
        LONG pitch = 0;
        BYTE* start = nullptr;
        DWORD bufferLength = 0;
        if (buffer2DSized)
        {
            ThrowIfFailed(
                buffer2DSized->Lock2DSize(MF2DBuffer_LockFlags_Read, &data, &pitch, &start, &bufferLength));
        }
        else
        {
            ThrowIfFailed(buffer2D->Lock2D(&data, &pitch));
        }
        stride = static_cast<std::int32_t>(pitch);
        const std::uint64_t below = pitch < 0 && format.height > 1
                                        ? static_cast<std::uint64_t>(-static_cast<std::int64_t>(pitch)) *
                                              static_cast<std::uint64_t>(format.height - 1)
                                        : 0;
        std::uint64_t available = 0;
        if (buffer2DSized)
        {
            const auto offset = static_cast<std::uint64_t>(data - start);
            available = data >= start && offset >= below && offset - below < bufferLength
                            ? bufferLength - (offset - below)
                            : 0;
        }
        else if (SUCCEEDED(buffer2D->GetContiguousLength(&bufferLength)))
        {
            available = bufferLength;
        }
        length = static_cast<DWORD>(available);
    }
    else
    {
        ThrowIfFailed(buffer->Lock(&data, nullptr, &length));
    }

    try
    {
        const std::uint8_t* top = data;
        // 0 bytes: an empty frame (or a two-dimensional buffer that does not
        // say how long it is), never converted.
        if (length == 0)
        {
            ThrowFrameTooShort();
        }
        if (!buffer2D)
        {
            if (stride < 0 && format.height > 1)
            {
                // Bottom-up rows: the top image row is the last one in memory.
                const std::uint64_t offset = static_cast<std::uint64_t>(-static_cast<std::int64_t>(stride)) *
                                             static_cast<std::uint64_t>(format.height - 1);
                if (offset >= length)
                {
                    ThrowFrameTooShort();
                }
                top += offset;
            }
        }
        currentTransformer->Transform(top, length, format.width, format.height, stride, frame);
    }
    catch (...)
    {
        if (buffer2D)
        {
            ThrowIfFailed(buffer2D->Unlock2D());
        }
        else
        {
            ThrowIfFailed(buffer->Unlock());
        }
        throw;
    }
    if (buffer2D)
    {
        ThrowIfFailed(buffer2D->Unlock2D());
    }
    else
    {
        ThrowIfFailed(buffer->Unlock());
    }
    NotifyFrame(frame, arrived);
}

void MediaFoundationDevice::RequestNextSample(std::source_location where)
{
    // The sink may have closed the device from its error callback.
    if (reader)
    {
        ThrowIfFailed(reader->ReadSample(static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM), 0, nullptr,
                                         nullptr, nullptr, nullptr),
                      where);
    }
}

} // namespace Common
