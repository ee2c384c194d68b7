#include "app/VideoWriter.h"

#include "Common/Exception.h"
#include "Common/PerformanceCounter.h"
#include "app/SaveFormats.h"

#include <mfapi.h>

#include <cmath>

namespace TavixCapture
{

namespace
{
constexpr std::int32_t AviKind = 0;
constexpr std::int32_t WmvKind = 1;
constexpr std::int32_t Mp4Kind = 2;
constexpr UINT32 Progressive = 2; // MFVideoInterlace_Progressive
constexpr UINT32 H264MainProfile = 77;
constexpr LONGLONG UnitsPerSecond = 10'000'000;

// Holds a media buffer locked; unlocks when it goes, also on an error path.
class BufferLock
{
public:
    explicit BufferLock(IMFMediaBuffer& buffer) : buffer_(buffer)
    {
        Common::ThrowIfFailed(buffer_.Lock(&data_, nullptr, nullptr));
    }
    ~BufferLock() { buffer_.Unlock(); }
    BufferLock(const BufferLock&) = delete;
    BufferLock& operator=(const BufferLock&) = delete;

    BYTE* Data() const { return data_; }

private:
    IMFMediaBuffer& buffer_;
    BYTE* data_ = nullptr;
};

std::uint64_t PackPair(std::uint32_t high, std::uint32_t low)
{
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

// The attributes the input and output types share, after the subtype.
void SetFrameAttributes(IMFMediaType& type, std::int32_t width, std::int32_t height, std::int32_t rate)
{
    Common::ThrowIfFailed(type.SetUINT32(MF_MT_INTERLACE_MODE, Progressive));
    Common::ThrowIfFailed(
        type.SetUINT64(MF_MT_FRAME_SIZE, PackPair(static_cast<UINT32>(width), static_cast<UINT32>(height))));
    Common::ThrowIfFailed(type.SetUINT64(MF_MT_FRAME_RATE, PackPair(static_cast<UINT32>(rate), 1000)));
    Common::ThrowIfFailed(type.SetUINT64(MF_MT_PIXEL_ASPECT_RATIO, PackPair(1, 1)));
}
} // namespace

HRESULT CreatePlatformSinkWriter(const std::wstring& path, IMFSinkWriter** writer)
{
    return MFCreateSinkWriterFromURL(path.c_str(), nullptr, nullptr, writer);
}

VideoWriter::VideoWriter() : VideoWriter(CreatePlatformSinkWriter, AviOptions{}) {}

VideoWriter::VideoWriter(SinkWriterFactory sinkWriterFactory)
    : VideoWriter(std::move(sinkWriterFactory), AviOptions{})
{
}

VideoWriter::VideoWriter(SinkWriterFactory sinkWriterFactory, AviOptions aviOptions)
    : sinkWriterFactory_(std::move(sinkWriterFactory)), aviOptions_(std::move(aviOptions))
{
}

VideoWriter::~VideoWriter()
{
    try
    {
        Close();
    }
    catch (...)
    {
        // A movie that could not be finished keeps what it holds; nobody is
        // left to tell.
    }
}

std::int32_t VideoWriter::GetRateNumerator(double frameRate)
{
    return static_cast<std::int32_t>(std::llround(frameRate * 1000.0));
}

LONGLONG VideoWriter::GetSampleDuration(double frameRate)
{
    return static_cast<LONGLONG>(static_cast<double>(UnitsPerSecond) / frameRate);
}

void VideoWriter::Open(std::int32_t kind, const std::wstring& path, std::int32_t width, std::int32_t height,
                       double frameRate, std::int32_t bitRate)
{
    Close();
    Common::AutoLock lock(*this);
    // The kind is checked before it is stored, so a refused Open leaves a
    // writer that still closes and writes as before.
    static_cast<void>(GetMovieKind(kind));
    // A rate of 0 would divide by zero and a size of 0 makes no movie; a
    // format never states them, so they are refused before any file exists.
    if (!(frameRate > 0.0 && frameRate <= 1000000.0) || width <= 0 || height <= 0)
    {
        throw Common::Exception(static_cast<HRESULT>(E_INVALIDARG));
    }
    kind_ = kind;
    width_ = width;
    height_ = height;
    if (kind == AviKind)
    {
        OpenAvi(path, width, height, frameRate);
    }
    else
    {
        OpenSinkWriter(path, width, height, frameRate, bitRate);
    }
}

void VideoWriter::OpenAvi(const std::wstring& path, std::int32_t width, std::int32_t height, double frameRate)
{
    avi_ = std::make_unique<AviWriter>(aviOptions_.fileFactory(path), width, height,
                                       GetRateNumerator(frameRate), aviOptions_.layout);
}

void VideoWriter::OpenSinkWriter(const std::wstring& path, std::int32_t width, std::int32_t height,
                                 double frameRate, std::int32_t bitRate)
{
    const std::int32_t rate = GetRateNumerator(frameRate);
    Common::ComPointer<IMFSinkWriter> writer;
    Common::ThrowIfFailed(sinkWriterFactory_(path, writer.Put()));
    if (!writer)
    {
        throw Common::Exception(static_cast<HRESULT>(E_POINTER));
    }

    Common::ComPointer<IMFMediaType> output;
    Common::ThrowIfFailed(MFCreateMediaType(output.Put()));
    Common::ThrowIfFailed(output->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video));
    Common::ThrowIfFailed(
        output->SetGUID(MF_MT_SUBTYPE, kind_ == WmvKind ? MFVideoFormat_WMV3 : MFVideoFormat_H264));
    if (kind_ == Mp4Kind)
    {
        Common::ThrowIfFailed(output->SetUINT32(MF_MT_MPEG2_PROFILE, H264MainProfile));
    }
    Common::ThrowIfFailed(output->SetUINT32(MF_MT_AVG_BITRATE, static_cast<UINT32>(bitRate)));
    SetFrameAttributes(*output.Get(), width, height, rate);
    DWORD streamIndex = 0;
    Common::ThrowIfFailed(writer->AddStream(output.Get(), &streamIndex));

    Common::ComPointer<IMFMediaType> input;
    Common::ThrowIfFailed(MFCreateMediaType(input.Put()));
    Common::ThrowIfFailed(input->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video));
    Common::ThrowIfFailed(input->SetGUID(MF_MT_SUBTYPE, MFVideoFormat_RGB32));
    SetFrameAttributes(*input.Get(), width, height, rate);
    Common::ThrowIfFailed(writer->SetInputMediaType(streamIndex, input.Get(), nullptr));
    Common::ThrowIfFailed(writer->BeginWriting());

    sinkWriter_ = std::move(writer);
    streamIndex_ = streamIndex;
    counterFrequency_ = 0;
    firstFrameCounter_ = 0;
    sampleDuration_ = GetSampleDuration(frameRate);
}

bool VideoWriter::WriteFrame(const Common::FrameBuffer& frame)
{
    return WriteFrame(frame, Common::PerformanceCounter());
}

bool VideoWriter::WriteFrame(const Common::FrameBuffer& frame, std::int64_t capturedAt)
{
    Common::AutoLock lock(*this);
    switch (kind_)
    {
    case AviKind:
        if (!avi_)
        {
            return false;
        }
        CheckFrameSize(frame);
        avi_->WriteFrame(frame);
        return true;
    case WmvKind:
    case Mp4Kind:
        if (!sinkWriter_)
        {
            return false;
        }
        WriteSinkWriterFrame(frame, capturedAt);
        return true;
    default:
        throw Common::Exception(L"不正なモードです。");
    }
}

void VideoWriter::Checkpoint() noexcept
{
    Common::AutoLock lock(*this);
    if (avi_)
    {
        avi_->Checkpoint();
    }
}

void VideoWriter::CheckFrameSize(const Common::FrameBuffer& frame) const
{
    // A frame of another size would make every later frame unreadable.
    if (frame.width != width_ || frame.height != height_ ||
        frame.pixels.size() < static_cast<std::size_t>(frame.stride) * static_cast<std::size_t>(frame.height))
    {
        throw Common::Exception(L"フレームの大きさが動画の大きさと異なります。");
    }
}

void VideoWriter::WriteSinkWriterFrame(const Common::FrameBuffer& frame, std::int64_t capturedAt)
{
    CheckFrameSize(frame);
    const DWORD size = static_cast<DWORD>(frame.stride) * static_cast<DWORD>(frame.height);
    Common::ComPointer<IMFMediaBuffer> buffer;
    Common::ThrowIfFailed(MFCreateMemoryBuffer(size, buffer.Put()));
    {
        const BufferLock locked(*buffer.Get());
        const BYTE* source = frame.pixels.data();
        LONG sourceStride = frame.stride;
        if (kind_ == Mp4Kind)
        {
            // Bottom row first.
            source += static_cast<std::size_t>(frame.stride) * static_cast<std::size_t>(frame.height - 1);
            sourceStride = -frame.stride;
        }
        Common::ThrowIfFailed(MFCopyImage(locked.Data(), frame.stride, source, sourceStride,
                                          static_cast<DWORD>(frame.width) * 4,
                                          static_cast<DWORD>(frame.height)));
    }
    Common::ThrowIfFailed(buffer->SetCurrentLength(size));

    Common::ComPointer<IMFSample> sample;
    Common::ThrowIfFailed(MFCreateSample(sample.Put()));
    Common::ThrowIfFailed(sample->AddBuffer(buffer.Get()));

    const std::int64_t counter = capturedAt;
    if (counterFrequency_ == 0)
    {
        counterFrequency_ = Common::PerformanceFrequency();
        firstFrameCounter_ = counter;
    }
    const LONGLONG time =
        std::llround(static_cast<double>(counter - firstFrameCounter_) * static_cast<double>(UnitsPerSecond) /
                     static_cast<double>(counterFrequency_));
    Common::ThrowIfFailed(sample->SetSampleTime(time));
    Common::ThrowIfFailed(sample->SetSampleDuration(sampleDuration_));
    Common::ThrowIfFailed(sinkWriter_->WriteSample(streamIndex_, sample.Get()));
}

void VideoWriter::Close()
{
    Common::AutoLock lock(*this);
    switch (kind_)
    {
    case AviKind:
        if (avi_)
        {
            // Closed whatever Finish says: a second Close finds nothing.
            const std::unique_ptr<AviWriter> writer = std::move(avi_);
            writer->Finish();
        }
        break;
    case WmvKind:
    case Mp4Kind:
        if (sinkWriter_)
        {
            const Common::ComPointer<IMFSinkWriter> writer = std::move(sinkWriter_);
            Common::ThrowIfFailed(writer->Finalize());
        }
        break;
    default:
        throw Common::Exception(L"不正なモードです。");
    }
}

bool VideoWriter::IsOpen()
{
    Common::AutoLock lock(*this);
    return avi_ != nullptr || static_cast<bool>(sinkWriter_);
}

} // namespace TavixCapture
