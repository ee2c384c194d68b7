// AVI movies written through the real AVIFile library and read back. With
// TAVIX_AVI_OUTPUT set to a folder, the movies and the frames they must hold
// (top-down 24-bit rows, "<name>.bgr") are left there for
// tests/saving/check-avi.sh, which reads them with ffprobe and ffmpeg.
#include "AviFile.h"
#include "SavedFiles.h"

#include "FailingMovieFile.h"

#include "app/AviWriter.h"
#include "app/VideoWriter.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{
std::vector<Common::FrameBuffer> PatternFrames(int width, int height, std::uint32_t count)
{
    std::vector<Common::FrameBuffer> frames;
    for (std::uint32_t i = 0; i < count; ++i)
    {
        frames.push_back(SavedFiles::PatternFrame(width, height, i * 17));
    }
    return frames;
}

// 64x48 frames take 9224 bytes with their chunk header: three fit in a
// segment of 30000 bytes (the first also holds the headers).
TavixCapture::VideoWriter::AviOptions SmallSegments()
{
    TavixCapture::VideoWriter::AviOptions options;
    options.layout.segmentBytes = 30000;
    options.layout.segmentCapacity = 8;
    return options;
}
} // namespace

TEST(AviMovie, HeadersRowsAndFrameCountAreThoseOfTheFrames)
{
    const SavingTests::OutputFolder output;
    const struct
    {
        const wchar_t* name;
        int width, height;
        double rate;
        DWORD expectedRate;
        std::uint32_t frames;
    } movies[] = {
        {L"five", 322, 240, 30.0, 30000, 5}, // each 24-bit row ends in two filler bytes
        {L"vga", 640, 480, 29.97, 29970, 1},
    };
    for (const auto& movie : movies)
    {
        SCOPED_TRACE(movie.width);
        const std::vector<Common::FrameBuffer> frames =
            PatternFrames(movie.width, movie.height, movie.frames);
        const std::wstring path = output.File(std::wstring(movie.name) + L".avi");
        {
            TavixCapture::VideoWriter writer;
            writer.Open(0, path, movie.width, movie.height, movie.rate, 123456);
            for (const Common::FrameBuffer& frame : frames)
            {
                writer.WriteFrame(frame);
            }
            writer.Close();
            writer.WriteFrame(frames[0]); // after Close: dropped
        }
        SavingTests::WriteExpectedFrames(output.File(std::wstring(movie.name) + L".bgr"), frames);

        const SavingTests::AviContents avi = SavingTests::ReadAvi(path);
        const DWORD stride = (movie.width * 3 + 3) & ~3u;
        EXPECT_EQ(avi.streamHeader.dwScale, 1000u);
        EXPECT_EQ(avi.streamHeader.dwRate, movie.expectedRate);
        EXPECT_EQ(avi.streamHeader.dwLength, movie.frames);
        EXPECT_EQ(avi.streamHeader.dwSuggestedBufferSize, stride * movie.height);
        EXPECT_EQ(avi.streamHeader.dwSampleSize, stride * movie.height);
        EXPECT_EQ(avi.bitmapHeader.biWidth, movie.width);
        EXPECT_EQ(avi.bitmapHeader.biHeight, movie.height) << "positive: bottom-up rows";
        EXPECT_EQ(avi.bitmapHeader.biBitCount, 24);
        EXPECT_EQ(avi.bitmapHeader.biCompression, static_cast<DWORD>(BI_RGB));
        EXPECT_EQ(avi.bitmapHeader.biSizeImage, stride * movie.height);
        ASSERT_EQ(avi.frames.size(), frames.size());
        for (std::size_t i = 0; i < frames.size(); ++i)
        {
            EXPECT_TRUE(SavingTests::HoldsFrame(avi.frames[i], frames[i])) << "frame " << i;
        }
    }
}

TEST(AviMovie, ALongMovieIsCutIntoSegmentsThatTogetherHoldEveryFrame)
{
    const SavingTests::OutputFolder output;
    const std::vector<Common::FrameBuffer> frames = PatternFrames(64, 48, 10);
    const std::wstring path = output.File(L"segments.avi");
    TavixCapture::VideoWriter writer(TavixCapture::CreatePlatformSinkWriter, SmallSegments());
    writer.Open(0, path, 64, 48, 30.0, 0);
    for (const Common::FrameBuffer& frame : frames)
    {
        writer.WriteFrame(frame);
    }
    writer.Close();
    // (Every frame, read by ffmpeg across the boundaries: tests/saving/check-avi.sh.)
    SavingTests::WriteExpectedFrames(output.File(L"segments.bgr"), frames);

    const std::vector<SavingTests::RiffList> lists = SavingTests::ReadRiffLists(path);
    ASSERT_EQ(lists.size(), 4u) << "3 + 3 + 3 + 1 frames";
    for (std::size_t i = 0; i < lists.size(); ++i)
    {
        EXPECT_EQ(lists[i].type, i == 0 ? "AVI " : "AVIX");
        EXPECT_LE(lists[i].size, 30000u);
    }
    // An AVI 1.0 reader gets the first segment.
    const SavingTests::AviContents avi = SavingTests::ReadAvi(path);
    ASSERT_GE(avi.frames.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
    {
        EXPECT_TRUE(SavingTests::HoldsFrame(avi.frames[i], frames[i])) << "frame " << i;
    }
}

TEST(AviMovie, AFullDiskEndsTheMovieWithEveryEarlierFrameInIt)
{
    const SavingTests::OutputFolder output;
    const std::vector<Common::FrameBuffer> frames = PatternFrames(64, 48, 10);
    const std::wstring path = output.File(L"full.avi");
    TavixCapture::VideoWriter::AviOptions options = SmallSegments();
    // Growing writes: the headers, three frames, the two indexes, the second
    // segment's start, one frame; the fifth frame finds the disk full.
    options.fileFactory = SavingTests::MakeFillingMovieFileFactory(9);
    TavixCapture::VideoWriter writer(TavixCapture::CreatePlatformSinkWriter, options);
    writer.Open(0, path, 64, 48, 30.0, 0);
    std::vector<Common::FrameBuffer> written;
    for (const Common::FrameBuffer& frame : frames)
    {
        try
        {
            writer.WriteFrame(frame);
            written.push_back(frame);
        }
        catch (const Common::Exception& error)
        {
            EXPECT_EQ(error.ErrorCode, HRESULT_FROM_WIN32(ERROR_DISK_FULL));
            break;
        }
    }
    ASSERT_EQ(written.size(), 4u);
    EXPECT_THROW(writer.Close(), Common::Exception) << "no room for the last index";
    EXPECT_FALSE(writer.IsOpen());
    SavingTests::WriteExpectedFrames(output.File(L"full.bgr"), written);
    // The half-written frame is cut off and the headers say where the data ends.
    const std::vector<SavingTests::RiffList> lists = SavingTests::ReadRiffLists(path);
    EXPECT_EQ(lists.size(), 2u);
}

TEST(AviMovie, AMovieCutOffWithoutFinishingKeepsItsFrames)
{
    // What a killed process leaves: the writer never finishes the movie.
    const SavingTests::OutputFolder output;
    const std::vector<Common::FrameBuffer> frames = PatternFrames(64, 48, 10);
    const std::wstring path = output.File(L"cut.avi");
    {
        TavixCapture::AviWriter::Layout layout;
        layout.checkpointFrames = 4;
        TavixCapture::AviWriter writer(TavixCapture::OpenMovieFile(path), 64, 48, 30000, layout);
        for (const Common::FrameBuffer& frame : frames)
        {
            writer.WriteFrame(frame);
        }
    }
    // (ffprobe finds all ten: tests/saving/check-avi.sh.)
    SavingTests::WriteExpectedFrames(output.File(L"cut.bgr"), frames);
    // The headers, brought up to date at the eighth frame, make it a valid
    // AVI file to that point.
    const std::string bytes = TestSupport::ReadFileBytes(path);
    std::uint32_t riffSize = 0;
    std::memcpy(&riffSize, bytes.data() + 4, 4);
    EXPECT_EQ(bytes.size() - (8 + riffSize), 2u * 9224u) << "two frames after the last update";
}
