// TavixCapture::Recorder: what is being recorded and how it goes. It owns the
// movie writer (made through a factory) with the thread that writes its
// frames, the queue that encodes the still images of a "全フレーム" recording
// on threads of their own, and the counters the status bar shows: time since
// the start, frames written and lost, and the size of the movie file.
//
// A movie that cannot take a frame (a full disk, a write error) ends the
// recording at once: the movie is finished as far as the disk allows, the
// error is told once, and the stop is told. Still images that cannot be
// written are counted lost and told once per run of failures; the recording
// goes on.
//
// Threads: Start, Stop, Checkpoint and GetStatus on the UI thread; SaveFrame
// on the UI thread (a Snap) or the delivery thread; RecordFrame on the
// delivery thread; the callbacks on the movie's writer thread or an encoder
// thread.
#pragma once

#include "Common/Exception.h"
#include "Common/capture/FrameBuffer.h"
#include "app/MovieWriterThread.h"
#include "app/StillImageQueue.h"
#include "app/VideoWriter.h"

#include <wincodec.h>

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace TavixCapture
{

class Recorder
{
public:
    using MovieWriterFactory = std::function<std::unique_ptr<VideoWriter>()>;

    struct Seams
    {
        MovieWriterFactory movieWriterFactory = [] { return std::make_unique<VideoWriter>(); };
        // The still encoder of each encoder thread: the imaging component.
        StillImageQueue::EncoderFactory stillEncoderFactory = MakeStillEncoder;
        std::size_t encoderThreads = StillImageQueue::DefaultThreadCount();
        std::size_t queuedStills = 4;
        // Frames a movie's writer thread holds (0: MovieWriterThread::GetBufferCount).
        std::size_t movieBuffers = 0;
    };

    struct Callbacks
    {
        // An error to tell the user (any thread; never throws).
        std::function<void(const Common::Exception& error)> onError;
        // The recording ended by itself (a movie that failed).
        std::function<void()> onStopped;
    };

    struct Status
    {
        bool isRecording = false;
        bool isMovie = false;
        std::int64_t milliseconds = 0;
        std::uint64_t framesWritten = 0;
        std::uint64_t framesLost = 0;
        std::uint64_t fileBytes = 0; // movies only
        std::wstring failure;        // why the last recording ended by itself
    };

    explicit Recorder(Callbacks callbacks);
    Recorder(Callbacks callbacks, Seams seams);
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    bool IsRecording() const { return isRecording_.load(); }
    // Starts recording `fileFormat` (an entry of the "形式:" list) at `path`: a
    // folder for still images, a file for a movie of width x height at
    // frameRate (bitRate in bits per second for WMV and MP4). Does nothing
    // while recording. Raises Exception when the movie cannot be started.
    void Start(std::int32_t fileFormat, const std::wstring& path, std::int32_t width, std::int32_t height,
               double frameRate, std::int32_t bitRate);
    // Stops recording: writes the stills still queued and finishes the
    // movie. Raises Exception when the movie could not be finished.
    void Stop();
    // Brings an open movie's headers up to date and hands the file to the
    // disk, so that it is whole as far as it goes (the session may end).
    void Checkpoint() noexcept;

    // Writes one frame now: a movie frame (after the frames queued before
    // it) while a movie is recorded, else a still image at `path` or, when
    // `path` is empty, under a new name in the save folder. Raises Exception
    // on failure; a failed movie frame also ends the recording, told as such.
    void SaveFrame(IWICImagingFactory& factory, const Common::FrameBuffer& frame, std::int32_t fileFormat,
                   const std::wstring& path);
    // Records one delivered frame while recording every frame: queues it for
    // the movie or for its still image (a full queue: the frame is lost).
    // Never raises, never waits for the disk.
    void RecordFrame(const Common::FrameBuffer& frame) noexcept;

    // The folder of still images, ending with a separator.
    std::wstring GetSaveFolder() const;
    Status GetStatus() const;
    // The error that ended the last recording by itself, once (null when
    // there is none or it was taken).
    std::exception_ptr TakeFailure();
    // "録画 00:01:23  2490 フレーム  1.9 GB  欠落 0" while recording.
    static std::wstring FormatStatus(const Status& status);

    // The encoder of the imaging component, made on the calling thread.
    static StillImageQueue::Encoder MakeStillEncoder();

private:
    void Fail(const Common::Exception& error) noexcept;
    void OnStillResult(const Common::Exception* failure) noexcept;
    void OnMovieResult(MovieWriterThread::Outcome outcome, const Common::Exception* failure) noexcept;

    const Callbacks callbacks_;
    const Seams seams_;
    std::atomic<bool> isRecording_ = false;
    std::atomic<bool> isMovie_ = false; // written by Start before isRecording_
    std::unique_ptr<VideoWriter> movie_;
    MovieWriterThread movieFrames_; // ends before movie_ goes
    StillImageQueue stills_;

    mutable std::mutex mutex_;         // row 8 of Common/LockOrder.h
    std::wstring saveFolder_;          // guarded by mutex_
    std::wstring moviePath_;           // guarded by mutex_
    std::wstring failure_;             // guarded by mutex_
    std::exception_ptr failureToTell_; // guarded by mutex_
    std::atomic<std::int64_t> startCounter_ = 0;
    std::atomic<std::int64_t> stopCounter_ = 0; // 0 while recording
    std::atomic<std::uint64_t> framesWritten_ = 0;
    std::atomic<std::uint64_t> framesLost_ = 0;
    std::atomic<bool> stillsFailing_ = false; // a run of failing stills is on
};

} // namespace TavixCapture
