#include "app/Recorder.h"

#include "Common/ComPointer.h"
#include "Common/PerformanceCounter.h"
#include "app/SaveFormats.h"
#include "app/StillImageWriter.h"

#include <cstdio>
#include <iterator>
#include <utility>

namespace TavixCapture
{

namespace
{
std::wstring FormatSize(std::uint64_t bytes)
{
    wchar_t text[32] = {};
    if (bytes < (1ull << 30))
    {
        std::swprintf(text, std::size(text), L"%.1f MB", static_cast<double>(bytes) / (1 << 20));
    }
    else
    {
        std::swprintf(text, std::size(text), L"%.1f GB", static_cast<double>(bytes) / (1 << 30));
    }
    return text;
}

std::wstring FormatFigures(const Recorder::Status& status)
{
    const std::int64_t seconds = status.milliseconds / 1000;
    wchar_t time[32] = {};
    std::swprintf(time, std::size(time), L"%02lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    std::wstring text = std::wstring(time) + L"  " + std::to_wstring(status.framesWritten) + L" フレーム";
    if (status.isMovie)
    {
        text += L"  " + FormatSize(status.fileBytes);
    }
    return text + L"  欠落 " + std::to_wstring(status.framesLost);
}
} // namespace

Recorder::Recorder(Callbacks callbacks) : Recorder(std::move(callbacks), Seams{}) {}

Recorder::Recorder(Callbacks callbacks, Seams seams)
    : callbacks_(std::move(callbacks)), seams_(std::move(seams)),
      movieFrames_([this](MovieWriterThread::Outcome outcome, const Common::Exception* failure)
                   { OnMovieResult(outcome, failure); }),
      stills_(
          seams_.stillEncoderFactory, [this](const Common::Exception* failure) { OnStillResult(failure); },
          seams_.encoderThreads, seams_.queuedStills)
{
}

Recorder::~Recorder()
{
    try
    {
        Stop();
    }
    catch (...)
    {
        // Nobody is left to tell; the movie keeps what it holds.
    }
}

void Recorder::Start(std::int32_t fileFormat, const std::wstring& path, std::int32_t width,
                     std::int32_t height, double frameRate, std::int32_t bitRate)
{
    if (isRecording_)
    {
        return;
    }
    CheckFileFormat(fileFormat);
    // The thread of a movie that ended by itself is done with it (and with
    // the counters) before anything new starts.
    movieFrames_.Stop();
    framesWritten_ = 0;
    framesLost_ = 0;
    stillsFailing_ = false;
    if (IsMovieFormat(fileFormat))
    {
        if (!movie_)
        {
            movie_ = seams_.movieWriterFactory();
        }
        movie_->Open(fileFormat - FirstMovieFormat, path, width, height, frameRate, bitRate);
        try
        {
            movieFrames_.Start(*movie_, width, height, seams_.movieBuffers);
        }
        catch (...)
        {
            try
            {
                movie_->Close();
            }
            catch (...)
            {
                // The reason it cannot record is the one the user hears of.
            }
            throw;
        }
        std::lock_guard lock(mutex_);
        moviePath_ = path;
        failure_.clear();
    }
    else
    {
        std::wstring folder = path;
        if (!folder.empty() && folder.back() != L'\\')
        {
            folder += L'\\';
        }
        stills_.Start(folder, fileFormat, width, height);
        std::lock_guard lock(mutex_);
        saveFolder_ = std::move(folder);
        failure_.clear();
    }
    isMovie_ = IsMovieFormat(fileFormat);
    startCounter_ = Common::PerformanceCounter();
    stopCounter_ = 0;
    // Published last: the delivery thread records only once all is ready.
    isRecording_ = true;
}

void Recorder::Stop()
{
    if (!isRecording_.exchange(false))
    {
        // A movie that ended by itself: its writer thread ends here.
        movieFrames_.Stop();
        return;
    }
    stopCounter_ = Common::PerformanceCounter();
    if (isMovie_)
    {
        // The frames already queued go into the movie before it is finished.
        movieFrames_.Stop();
        movie_->Close();
    }
    else
    {
        stills_.Stop();
    }
}

void Recorder::Checkpoint() noexcept
{
    if (isRecording_ && isMovie_)
    {
        movie_->Checkpoint();
    }
}

void Recorder::SaveFrame(IWICImagingFactory& factory, const Common::FrameBuffer& frame,
                         std::int32_t fileFormat, const std::wstring& path)
{
    if (IsMovieFormat(fileFormat))
    {
        // Nothing is written when no movie is being recorded; a failure has
        // ended the recording (and been told) by the time it is raised here.
        if (isRecording_)
        {
            static_cast<void>(movieFrames_.WriteAndWait(frame, Common::PerformanceCounter()));
        }
        return;
    }
    const StillImageWriter writer(factory);
    if (!path.empty())
    {
        writer.Save(frame, fileFormat, path);
        return;
    }
    SYSTEMTIME now;
    GetSystemTime(&now);
    static_cast<void>(writer.SaveUnderNewName(frame, fileFormat, GetSaveFolder(), now));
    if (isRecording_)
    {
        ++framesWritten_;
    }
}

void Recorder::RecordFrame(const Common::FrameBuffer& frame) noexcept
{
    if (!isRecording_)
    {
        return;
    }
    if (isMovie_)
    {
        // A frame that meets a recording being stopped is not counted lost.
        if (!movieFrames_.Push(frame, Common::PerformanceCounter()) && isRecording_)
        {
            ++framesLost_;
        }
        return;
    }
    SYSTEMTIME now;
    GetSystemTime(&now);
    if (!stills_.Push(frame, now))
    {
        ++framesLost_;
    }
}

void Recorder::Fail(const Common::Exception& error) noexcept
{
    if (!isRecording_.exchange(false))
    {
        return;
    }
    stopCounter_ = Common::PerformanceCounter();
    try
    {
        // As much of the movie as the disk allows; the frames before the
        // error stay readable whatever this says.
        movie_->Close();
    }
    catch (...)
    {
    }
    {
        std::lock_guard lock(mutex_);
        failure_ = error.Message;
        failureToTell_ = std::make_exception_ptr(error);
    }
    callbacks_.onError(error);
    callbacks_.onStopped();
}

void Recorder::OnMovieResult(MovieWriterThread::Outcome outcome, const Common::Exception* failure) noexcept
{
    switch (outcome)
    {
    case MovieWriterThread::Outcome::Written:
        ++framesWritten_;
        break;
    case MovieWriterThread::Outcome::NotWritten:
        ++framesLost_; // queued before a failure ended the movie
        break;
    case MovieWriterThread::Outcome::Failed:
        Fail(*failure); // the recording has ended once the frame counts as lost
        ++framesLost_;
        break;
    }
}

void Recorder::OnStillResult(const Common::Exception* failure) noexcept
{
    if (failure == nullptr)
    {
        ++framesWritten_;
        stillsFailing_ = false;
        return;
    }
    ++framesLost_;
    if (!stillsFailing_.exchange(true))
    {
        callbacks_.onError(*failure);
    }
}

std::exception_ptr Recorder::TakeFailure()
{
    std::lock_guard lock(mutex_);
    return std::exchange(failureToTell_, nullptr);
}

std::wstring Recorder::GetSaveFolder() const
{
    std::lock_guard lock(mutex_);
    return saveFolder_;
}

Recorder::Status Recorder::GetStatus() const
{
    Status status;
    status.isRecording = isRecording_;
    status.isMovie = isMovie_;
    const std::int64_t start = startCounter_;
    const std::int64_t stop = stopCounter_;
    if (start != 0)
    {
        const std::int64_t end = stop != 0 ? stop : Common::PerformanceCounter();
        status.milliseconds = (end - start) * 1000 / Common::PerformanceFrequency();
    }
    status.framesWritten = framesWritten_;
    status.framesLost = framesLost_;
    std::wstring moviePath;
    {
        std::lock_guard lock(mutex_);
        moviePath = moviePath_;
        status.failure = failure_;
    }
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (status.isMovie && GetFileAttributesExW(moviePath.c_str(), GetFileExInfoStandard, &data))
    {
        status.fileBytes = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    return status;
}

std::wstring Recorder::FormatStatus(const Status& status)
{
    if (status.isRecording)
    {
        return L"録画 " + FormatFigures(status);
    }
    if (!status.failure.empty())
    {
        return L"録画中止 " + FormatFigures(status) + L"  " + status.failure;
    }
    return status.milliseconds > 0 ? L"録画終了 " + FormatFigures(status) : std::wstring();
}

StillImageQueue::Encoder Recorder::MakeStillEncoder()
{
    auto factory = std::make_shared<Common::ComPointer<IWICImagingFactory>>();
    factory->CreateInstance(CLSID_WICImagingFactory, CLSCTX_INPROC_SERVER);
    return [factory](const Common::FrameBuffer& frame, std::int32_t fileFormat, const std::wstring& folder,
                     const SYSTEMTIME& utc) {
        static_cast<void>(StillImageWriter(*factory->Get()).SaveUnderNewName(frame, fileFormat, folder, utc));
    };
}

} // namespace TavixCapture
