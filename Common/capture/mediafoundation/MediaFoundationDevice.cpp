#include "Common/capture/mediafoundation/MediaFoundationDevice.h"

#include "Common/TaskMemory.h"
#include "Common/capture/CaptureFailure.h"
#include "Common/capture/CameraControls.h"
#include "Common/capture/FormatList.h"
#include "Common/capture/mediafoundation/MediaFoundationDeviceCallback.h"
#include "Common/capture/mediafoundation/MediaFoundationReaderRelease.h"
#include "Common/capture/transform/Transformer.h"
#include "Common/capture/mediafoundation/MediaFoundationFrameFormat.h"

#include <mfapi.h>
#include <mferror.h>

#include <cstring>
#include <optional>

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
      activate(activateObject), sourceReaderFactory(std::move(readerFactory)),
      allowDuplicates(allowDuplicateFrameFormat)
{
    if (!activate)
    {
        throw Exception(static_cast<HRESULT>(E_POINTER));
    }
    name = GetActivateString(activate.Get(), MF_DEVSOURCE_ATTRIBUTE_FRIENDLY_NAME,
                             std::source_location::current());
    path = GetActivateString(activate.Get(), MF_DEVSOURCE_ATTRIBUTE_SOURCE_TYPE_VIDCAP_SYMBOLIC_LINK,
                             std::source_location::current());
}

void MediaFoundationDevice::ReadFormats()
{
    if (!formats.empty())
    {
        return;
    }
    if (transformers.empty())
    {
        transformers = CreateTransformers();
    }
    std::vector<std::shared_ptr<FrameFormat>> read;
    {
        AutoLock lock(deviceLock);
        ComPointer<IMFMediaSource> source;
        const HRESULT activated = activate->ActivateObject(__uuidof(IMFMediaSource), source.PutVoid());
        if (FAILED(activated))
        {
            throw CaptureFailure::Make(activated, L"カメラを開けませんでした。");
        }
        ComPointer<IMFSourceReader> enumerationReader;
        try
        {
            ComPointer<IMFAttributes> attributes;
            ThrowIfFailed(MFCreateAttributes(attributes.Put(), 2));
            ThrowIfFailed(attributes->SetUINT32(MF_READWRITE_DISABLE_CONVERTERS, TRUE));
            // The source is shut down by ShutdownObject alone, once.
            ThrowIfFailed(attributes->SetUINT32(MF_SOURCE_READER_DISCONNECT_MEDIASOURCE_ON_SHUTDOWN, TRUE));
            const HRESULT created =
                sourceReaderFactory(source.Get(), attributes.Get(), enumerationReader.Put());
            if (FAILED(created))
            {
                throw CaptureFailure::Make(created, L"カメラを開けませんでした。");
            }

            // Any failure ends the list; the normal end is MF_E_NO_MORE_TYPES.
            for (DWORD index = 0;; ++index)
            {
                ComPointer<IMFMediaType> type;
                if (FAILED(enumerationReader->GetNativeMediaType(
                        static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM), index, type.Put())))
                {
                    break;
                }
                std::shared_ptr<MediaFoundationFrameFormat> format;
                try
                {
                    format = std::make_shared<MediaFoundationFrameFormat>(type.Get());
                }
                catch (const Exception&)
                {
                    // A type that does not say its size or rate cannot be
                    // streamed; the camera's other types still can.
                    continue;
                }
                // Only what the program converts is offered: compressed
                // video (H264), planar types without a converter and the
                // infrared or depth streams some cameras add would give a
                // black picture and an error per frame.
                if (!FindTransformer(format->subtype))
                {
                    continue;
                }
                AddFrameFormat(
                    read, std::move(format), allowDuplicates,
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
            if (enumerationReader)
            {
                MediaFoundationReaderRelease::Schedule(std::move(enumerationReader), nullptr, false);
            }
            throw;
        }
        // A synchronous reader has no read of ours under way; the source's
        // shut-down ends the reader's own waits for its events.
        const HRESULT shutdown = activate->ShutdownObject();
        MediaFoundationReaderRelease::Schedule(std::move(enumerationReader), nullptr, false);
        if (!CaptureFailure::IsDeviceGone(shutdown))
        {
            ThrowIfFailed(shutdown);
        }
    }
    if (read.empty())
    {
        Exception error(L"このカメラには、このプログラムで取り込める映像の形式がありません。");
        error.ErrorCode = MF_E_INVALIDMEDIATYPE;
        throw error;
    }
    SetFormats(std::move(read));
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
        // The source could not be shut down; nothing more can be done here.
    }
    AutoLock lock(deviceLock);
    if (sourceForControls)
    {
        activate->ShutdownObject();
    }
}

std::shared_ptr<CameraControls> MediaFoundationDevice::GetCameraControls()
{
    AutoLock lock(deviceLock);
    // While open this is the reader's source: an activation object gives the
    // same source until it is shut down.
    ComPointer<IMFMediaSource> source;
    ThrowIfFailed(activate->ActivateObject(__uuidof(IMFMediaSource), source.PutVoid()));
    if (!reader)
    {
        sourceForControls = true;
    }
    return std::make_shared<CameraControls>(source.Get());
}

bool MediaFoundationDevice::IsOpened() const
{
    AutoLock lock(deviceLock);
    return static_cast<bool>(reader);
}

void MediaFoundationDevice::Open()
{
    ReadFormats();
    AutoLock lock(deviceLock);
    if (reader)
    {
        return;
    }
    // The source of the settings becomes the reader's, or is shut down below.
    sourceForControls = false;
    const auto& format = static_cast<const MediaFoundationFrameFormat&>(*GetSelectedFormat());
    ComPointer<IMFMediaSource> source;
    ComPointer<IMFAttributes> attributes;
    try
    {
        // A stream that followed the camera to another type starts over
        // with the selected one.
        SetStreamFormat(GetSelectedFormat());
        ThrowIfFailed(Callback::Create(this, sharedDeviceLock, callback.Put()));
        const auto check = [](HRESULT result, std::source_location where = std::source_location::current())
        {
            if (FAILED(result))
            {
                throw CaptureFailure::Make(result, L"カメラの映像を開始できませんでした。", where);
            }
        };
        check(activate->ActivateObject(__uuidof(IMFMediaSource), source.PutVoid()));
        ThrowIfFailed(MFCreateAttributes(attributes.Put(), 3));
        ThrowIfFailed(attributes->SetUINT32(MF_READWRITE_DISABLE_CONVERTERS, TRUE));
        ThrowIfFailed(attributes->SetUnknown(MF_SOURCE_READER_ASYNC_CALLBACK, callback.Get()));
        // The source is shut down by ShutdownObject alone, once.
        ThrowIfFailed(attributes->SetUINT32(MF_SOURCE_READER_DISCONNECT_MEDIASOURCE_ON_SHUTDOWN, TRUE));
        check(sourceReaderFactory(source.Get(), attributes.Get(), reader.Put()));
        // Only the first video stream: a camera's other streams (photo,
        // record) would otherwise be read too, and one that delivers
        // nothing stalls the reader.
        check(reader->SetStreamSelection(static_cast<DWORD>(MF_SOURCE_READER_ALL_STREAMS), FALSE));
        check(reader->SetStreamSelection(static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM), TRUE));
        check(reader->SetCurrentMediaType(static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM), nullptr,
                                          format.mediaType.Get()));
        check(reader->ReadSample(static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM), 0, nullptr, nullptr,
                                 nullptr, nullptr));
    }
    catch (...)
    {
        if (callback)
        {
            callback->DetachDevice();
        }
        // No read was issued, so the reader has no work of ours under way.
        // The first error says more than a failing shut-down would.
        static_cast<void>(activate->ShutdownObject());
        if (reader)
        {
            MediaFoundationReaderRelease::Schedule(std::move(reader), std::move(callback), false);
        }
        callback.Reset();
        throw;
    }
}

HRESULT MediaFoundationDevice::CloseReader(bool flush)
{
    // From here on a late result of this reader reaches nothing.
    callback->DetachDevice();
    const bool flushed = flush && SUCCEEDED(reader->Flush(static_cast<DWORD>(MF_SOURCE_READER_ALL_STREAMS)));
    // The reader leaves the source alone when it goes: this is the source's
    // one shut-down.
    const HRESULT shutdown = activate->ShutdownObject();
    MediaFoundationReaderRelease::Schedule(std::move(reader), std::move(callback), flushed);
    return CaptureFailure::IsDeviceGone(shutdown) ? S_OK : shutdown;
}

void MediaFoundationDevice::Close()
{
    AutoLock lock(deviceLock);
    if (!reader)
    {
        return;
    }
    ThrowIfFailed(CloseReader(true));
}

void MediaFoundationDevice::EndStream(const Exception& error, bool flush)
{
    // After a read result, the read that reported the end was the one under
    // way: nothing to flush.
    static_cast<void>(CloseReader(flush));
    NotifyStreamEnded(error);
}

void MediaFoundationDevice::OnDeviceRemoved()
{
    AutoLock lock(deviceLock);
    if (reader)
    {
        EndStream(CaptureFailure::Make(MF_E_VIDEO_RECORDING_DEVICE_INVALIDATED), true);
    }
}

void MediaFoundationDevice::ApplyFrameFormat()
{
    {
        AutoLock lock(deviceLock);
        SetStreamFormat(GetSelectedFormat());
    }
    Device::ApplyFrameFormat();
}

std::shared_ptr<Transformer> MediaFoundationDevice::FindTransformer(const GUID& subtype) const
{
    for (const auto& transformer : transformers)
    {
        if (std::memcmp(&transformer->GetSubtype(), &subtype, sizeof(GUID)) == 0)
        {
            return transformer;
        }
    }
    return nullptr;
}

void MediaFoundationDevice::SetStreamFormat(std::shared_ptr<const FrameFormat> format)
{
    streamFormat = std::move(format);
    currentTransformer = FindTransformer(streamFormat->subtype);
    if (currentTransformer)
    {
        currentTransformer->SetSourceFormat(*streamFormat);
    }
}

void MediaFoundationDevice::OnReadResult(HRESULT status, DWORD streamFlags, IMFSample* sample)
{
    AutoLock lock(deviceLock);
    if (!reader)
    {
        return;
    }
    // The reader makes no further read after a failed status or an error,
    // nor after the end of the stream: asking again would only spin.
    if (FAILED(status) || (streamFlags & MF_SOURCE_READERF_ERROR) != 0)
    {
        EndStream(
            CaptureFailure::Make(FAILED(status) ? status : static_cast<HRESULT>(E_FAIL),
                                 L"カメラの映像が止まりました。もう一度「取り込み」を押してください。"));
        return;
    }
    if ((streamFlags &
         (MF_SOURCE_READERF_CURRENTMEDIATYPECHANGED | MF_SOURCE_READERF_NATIVEMEDIATYPECHANGED)) != 0 &&
        !FollowMediaTypeChange())
    {
        return;
    }
    try
    {
        if (sample != nullptr)
        {
            ConvertSample(sample);
        }
    }
    catch (const Exception& error)
    {
        NotifyError(error);
    }
    catch (...)
    {
        NotifyError(Exception(static_cast<HRESULT>(E_UNEXPECTED)));
    }
    // The sink may have closed the device from its callbacks.
    if (!reader)
    {
        return;
    }
    if ((streamFlags & MF_SOURCE_READERF_ENDOFSTREAM) != 0)
    {
        EndStream(CaptureFailure::Make(MF_E_END_OF_STREAM));
        return;
    }
    const HRESULT read = reader->ReadSample(static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM), 0,
                                            nullptr, nullptr, nullptr, nullptr);
    if (FAILED(read))
    {
        EndStream(CaptureFailure::Make(read, L"カメラに次のフレームを要求できませんでした。"));
    }
}

bool MediaFoundationDevice::FollowMediaTypeChange()
{
    const std::wstring changed = L"キャプチャーデバイスの映像の形式が変わりました";
    const std::wstring advice = L"映像の形式を選び直して、もう一度「取り込み」を押してください。";
    std::shared_ptr<const MediaFoundationFrameFormat> now;
    HRESULT unreadable = S_OK;
    try
    {
        ComPointer<IMFMediaType> current;
        ThrowIfFailed(reader->GetCurrentMediaType(static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM),
                                                  current.Put()));
        now = std::make_shared<MediaFoundationFrameFormat>(current.Get());
    }
    catch (const Exception& error)
    {
        unreadable = error.ErrorCode;
    }
    catch (...)
    {
        unreadable = E_UNEXPECTED;
    }
    if (FAILED(unreadable))
    {
        EndStream(CaptureFailure::Make(unreadable, (changed + L"。" + advice).c_str()));
        return false;
    }
    // The frame, and with it the preview, the profiles and a recording, keep
    // their size; a picture of another size, or one the program cannot
    // convert, is never shown in the wrong pixels.
    const FrameFormat& selected = *GetSelectedFormat();
    if (FindTransformer(now->subtype) && now->width == selected.width && now->height == selected.height)
    {
        SetStreamFormat(std::move(now));
        return true;
    }
    Exception error(changed + L"（" + now->GetName() + L"）。" + advice);
    error.ErrorCode = MF_E_INVALIDMEDIATYPE;
    EndStream(error);
    return false;
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

    // frameLock is taken only for the step that writes the frame: a decode
    // (MJPG) runs before it, so readers of the frame do not wait for it.
    std::optional<AutoLock> frameGuard;
    const FrameFormat& format = *streamFormat;
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
        currentTransformer->Prepare(top, length);
        frameGuard.emplace(frameLock);
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

} // namespace Common
