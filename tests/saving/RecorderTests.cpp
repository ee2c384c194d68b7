// The recorder on its own, with its seams: an encoder that holds every
// still image until the test lets it go, and movie files whose disk fills.
#include "AviFile.h"
#include "FailingMovieFile.h"
#include "SavedFiles.h"

#include "Common/PerformanceCounter.h"
#include "app/Recorder.h"
#include "support/TempFolder.h"
#include "support/TestSink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <set>

using TavixCapture::Recorder;

namespace
{
struct Told
{
    std::mutex mutex;
    std::vector<std::wstring> errors;
    int stops = 0;

    Recorder::Callbacks Callbacks()
    {
        return {[this](const Common::Exception& error)
                {
                    std::lock_guard lock(mutex);
                    errors.push_back(error.Message);
                },
                [this]
                {
                    std::lock_guard lock(mutex);
                    ++stops;
                }};
    }
};

// The real movie file behind a gate: every frame's write waits until the
// test opens it (the headers go through), as a disk that has stopped taking
// data would hold the writer.
class GatedMovieFile : public TavixCapture::MovieFile
{
public:
    GatedMovieFile(const std::wstring& path, HANDLE gate, std::size_t frameChunk)
        : file_(TavixCapture::OpenMovieFile(path)), gate_(gate), frameChunk_(frameChunk)
    {
    }
    void WriteAt(std::uint64_t offset, const void* data, std::size_t size) override
    {
        if (size == frameChunk_ && WaitForSingleObject(gate_, 20000) != WAIT_OBJECT_0)
        {
            throw Common::Exception(L"the gate was never opened");
        }
        file_->WriteAt(offset, data, size);
    }
    void Truncate(std::uint64_t size) override { file_->Truncate(size); }
    void Flush() override { file_->Flush(); }

private:
    std::unique_ptr<TavixCapture::MovieFile> file_;
    HANDLE gate_;
    std::size_t frameChunk_;
};

// Waits until the recorder has written or lost `count` frames in all.
bool WaitForFrames(const Recorder& recorder, std::uint64_t count)
{
    return TestSupport::WaitUntil(
        [&]
        {
            const Recorder::Status status = recorder.GetStatus();
            return status.framesWritten + status.framesLost >= count;
        },
        20000);
}

// Forty 160x120 pattern frames, the pattern moved by `step` from one to the next.
std::vector<Common::FrameBuffer> PatternFrames(std::uint32_t step)
{
    std::vector<Common::FrameBuffer> frames;
    for (std::uint32_t i = 0; i < 40; ++i)
    {
        frames.push_back(SavedFiles::PatternFrame(160, 120, i * step));
    }
    return frames;
}

// Records the frames one after another as the delivery thread does; the time
// each call took, in microseconds, sorted.
std::vector<double> RecordTimed(Recorder& recorder, const std::vector<Common::FrameBuffer>& frames)
{
    std::vector<double> microseconds;
    const double frequency = static_cast<double>(Common::PerformanceFrequency());
    for (const Common::FrameBuffer& frame : frames)
    {
        const std::int64_t start = Common::PerformanceCounter();
        recorder.RecordFrame(frame);
        microseconds.push_back(static_cast<double>(Common::PerformanceCounter() - start) * 1e6 / frequency);
    }
    std::sort(microseconds.begin(), microseconds.end());
    return microseconds;
}

} // namespace

// The disk holds the movie's writer at its first frame: the delivery thread
// goes on at once for every frame, the frames that find a free buffer wait
// their turn and the others are counted lost; once the disk takes data again
// the movie holds the queued frames, in order and whole.
TEST(Recorder, AMovieThatCannotKeepUpLosesFramesWithoutHoldingUpTheDelivery)
{
    const HANDLE gate = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    struct Opener
    {
        HANDLE gate;
        ~Opener() { SetEvent(gate); }
    } opener{gate};
    const TestSupport::TempFolder folder;
    Recorder::Seams seams;
    seams.movieBuffers = 4;
    seams.movieWriterFactory = [gate]
    {
        TavixCapture::VideoWriter::AviOptions options;
        options.fileFactory = [gate](const std::wstring& path)
        { return std::make_unique<GatedMovieFile>(path, gate, 8 + 480 * 120); };
        return std::make_unique<TavixCapture::VideoWriter>(TavixCapture::CreatePlatformSinkWriter, options);
    };
    Told told;
    Recorder recorder(told.Callbacks(), seams);
    const std::wstring path = folder.File(L"slow.avi");
    recorder.Start(4, path, 160, 120, 30.0, 0);

    const std::vector<Common::FrameBuffer> frames = PatternFrames(7);
    const std::vector<double> microseconds = RecordTimed(recorder, frames);
    // Every call has returned while the first frame's write is still held.
    Recorder::Status status = recorder.GetStatus();
    EXPECT_EQ(status.framesWritten, 0u);
    EXPECT_EQ(status.framesLost, 36u) << "four buffers: the first frame and three waiting";
    std::printf("delivery thread per 160x120 frame: median %.1f us, slowest %.1f us\n", microseconds[20],
                microseconds.back());

    SetEvent(gate);
    recorder.Stop();
    CloseHandle(gate);
    status = recorder.GetStatus();
    EXPECT_EQ(status.framesWritten, 4u);
    EXPECT_EQ(status.framesLost, 36u);
    EXPECT_TRUE(told.errors.empty());
    const SavingTests::AviContents avi = SavingTests::ReadAvi(path);
    ASSERT_EQ(avi.frames.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i)
    {
        EXPECT_TRUE(SavingTests::HoldsFrame(avi.frames[i], frames[i])) << "frame " << i;
    }
}

TEST(Recorder, ASlowStillEncoderLosesFramesWithoutHoldingUpTheDelivery)
{
    // The encoders wait for this event: the two threads hold a frame each and
    // three more wait; every later frame finds the queue full.
    const HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::mutex mutex;
    std::set<std::uint32_t> encoded; // the first pixel of each frame written
    Recorder::Seams seams;
    seams.encoderThreads = 2;
    seams.queuedStills = 3;
    seams.stillEncoderFactory = [&]
    {
        return [&](const Common::FrameBuffer& frame, std::int32_t, const std::wstring&, const SYSTEMTIME&)
        {
            EXPECT_EQ(WaitForSingleObject(release, 20000), WAIT_OBJECT_0);
            std::lock_guard lock(mutex);
            encoded.insert(frame.pixels[0]);
        };
    };
    Told told;
    Recorder recorder(told.Callbacks(), seams);
    const TestSupport::TempFolder folder;
    recorder.Start(0, folder.Path(), 160, 120, 30.0, 0);

    const std::vector<Common::FrameBuffer> frames = PatternFrames(1);
    const std::vector<double> microseconds = RecordTimed(recorder, frames);
    SetEvent(release);
    recorder.Stop();
    CloseHandle(release);

    const Recorder::Status status = recorder.GetStatus();
    EXPECT_EQ(status.framesWritten, 5u);
    EXPECT_EQ(status.framesLost, 35u);
    std::set<std::uint32_t> first;
    for (std::size_t i = 0; i < 5; ++i)
    {
        first.insert(frames[i].pixels[0]);
    }
    EXPECT_EQ(encoded, first) << "the frames that found room are the first five";
    std::printf("delivery thread per frame: median %.1f us, slowest %.1f us\n", microseconds[20],
                microseconds.back());
    EXPECT_LT(microseconds[20], 1000.0);
    EXPECT_TRUE(told.errors.empty());
    EXPECT_EQ(Recorder::FormatStatus(status).find(L"録画終了 00:00:0"), 0u);
}

// A still recording's buffers are made when it starts: a frame size no
// memory holds ends the start there, with nothing recording, and the next
// start records.
TEST(Recorder, AStillRecordingWhoseBuffersCannotBeMadeDoesNotStart)
{
    Recorder::Seams seams;
    seams.encoderThreads = 1;
    seams.queuedStills = 1;
    std::atomic<int> encoded{0};
    seams.stillEncoderFactory = [&]
    {
        return [&](const Common::FrameBuffer&, std::int32_t, const std::wstring&, const SYSTEMTIME&)
        { ++encoded; };
    };
    Told told;
    Recorder recorder(told.Callbacks(), seams);
    const TestSupport::TempFolder folder;
    try
    {
        recorder.Start(0, folder.Path(), 1 << 28, 1 << 28, 30.0, 0);
        ADD_FAILURE() << "a recording of 2^58-byte frames started";
    }
    catch (const Common::Exception& error)
    {
        EXPECT_EQ(error.ErrorCode, static_cast<HRESULT>(E_OUTOFMEMORY));
    }
    EXPECT_FALSE(recorder.IsRecording());

    recorder.Start(0, folder.Path(), 160, 120, 30.0, 0);
    recorder.RecordFrame(SavedFiles::PatternFrame(160, 120, 0));
    recorder.Stop();
    EXPECT_EQ(recorder.GetStatus().framesWritten, 1u);
    EXPECT_EQ(encoded.load(), 1);
    EXPECT_TRUE(told.errors.empty());
}

TEST(Recorder, AMovieThatFillsTheDiskEndsTheRecordingWithOneMessage)
{
    const TestSupport::TempFolder folder;
    Recorder::Seams seams;
    seams.movieWriterFactory = []
    {
        TavixCapture::VideoWriter::AviOptions options;
        options.layout.segmentBytes = 30000; // three 64x48 frames to a segment
        options.layout.segmentCapacity = 8;
        options.fileFactory = SavingTests::MakeFillingMovieFileFactory(9);
        return std::make_unique<TavixCapture::VideoWriter>(TavixCapture::CreatePlatformSinkWriter, options);
    };
    Told told;
    Recorder recorder(told.Callbacks(), seams);
    const std::wstring path = folder.File(L"full.avi");
    recorder.Start(4, path, 64, 48, 30.0, 0);
    // One frame at a time, each written (or not) before the next comes.
    std::uint64_t delivered = 0;
    for (std::uint32_t i = 0; i < 10 && recorder.IsRecording(); ++i)
    {
        recorder.RecordFrame(SavedFiles::PatternFrame(64, 48, i));
        ASSERT_TRUE(WaitForFrames(recorder, ++delivered));
    }
    EXPECT_EQ(delivered, 5u);
    EXPECT_FALSE(recorder.IsRecording());
    ASSERT_EQ(told.errors.size(), 1u);
    EXPECT_EQ(told.stops, 1);
    EXPECT_NO_THROW(recorder.Stop()) << "already stopped";
    EXPECT_NE(recorder.TakeFailure(), nullptr) << "for the main window's box";
    EXPECT_EQ(recorder.TakeFailure(), nullptr) << "once";

    const Recorder::Status status = recorder.GetStatus();
    EXPECT_EQ(status.framesWritten, 4u);
    EXPECT_EQ(status.framesLost, 1u) << "the frame that met the full disk";
    EXPECT_EQ(status.failure, told.errors.front());
    EXPECT_NE(Recorder::FormatStatus(status).find(L"録画中止 "), std::wstring::npos);
    // The four frames and nothing of the fifth: the second segment holds one.
    const std::vector<SavingTests::RiffList> lists = SavingTests::ReadRiffLists(path);
    ASSERT_EQ(lists.size(), 2u);
    EXPECT_EQ(lists[1].size, 24u + 9224u);
}

TEST(Recorder, StatusLineShowsTimeFramesSizeAndLosses)
{
    Recorder::Status status;
    status.isRecording = true;
    status.isMovie = true;
    status.milliseconds = 83999;
    status.framesWritten = 2490;
    status.fileBytes = 2040109465; // 1.9 GiB
    EXPECT_EQ(Recorder::FormatStatus(status), L"録画 00:01:23  2490 フレーム  1.9 GB  欠落 0");
    status.isMovie = false;
    status.milliseconds = 3600000 + 61000;
    status.framesLost = 7;
    EXPECT_EQ(Recorder::FormatStatus(status), L"録画 01:01:01  2490 フレーム  欠落 7");
    EXPECT_EQ(Recorder::FormatStatus(Recorder::Status{}), L"");
}
