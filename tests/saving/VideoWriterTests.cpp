// VideoWriter's sink-writer path (WMV and MP4) against a fake sink writer
// that records every call: Wine's cannot write these files (the save
// dialogs' suite shows the error box it gives).
#include "FakeSinkWriter.h"
#include "SavedFiles.h"

#include "app/VideoWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>

using SavingTests::Attribute;
using TavixCapture::VideoWriter;

namespace
{
enum Kind
{
    Wmv = 1,
    Mp4 = 2,
};

class FakeSinkWriterTest : public testing::Test
{
protected:
    int Finalized() const
    {
        return static_cast<int>(std::count(log->calls.begin(), log->calls.end(), L"Finalize"));
    }

    std::shared_ptr<SavingTests::SinkWriterLog> log = std::make_shared<SavingTests::SinkWriterLog>();
    VideoWriter writer{SavingTests::MakeFakeSinkWriterFactory(log)};
};
} // namespace

TEST_F(FakeSinkWriterTest, MediaTypesCarryTheirAttributesInOrder)
{
    using A = Attribute;
    const A video(MF_MT_MAJOR_TYPE, MFMediaType_Video);
    const A progressive(MF_MT_INTERLACE_MODE, 2);
    const A square(MF_MT_PIXEL_ASPECT_RATIO, (1ull << 32) | 1);

    writer.Open(Wmv, L"C:\\movie.wmv", 640, 480, 30.0, 5000000);
    EXPECT_EQ(log->path, L"C:\\movie.wmv");
    EXPECT_EQ(log->calls,
              (std::vector<std::wstring>{L"Create", L"AddStream", L"SetInputMediaType", L"BeginWriting"}));
    const A size(MF_MT_FRAME_SIZE, (640ull << 32) | 480);
    const A rate(MF_MT_FRAME_RATE, (30000ull << 32) | 1000);
    EXPECT_EQ(log->outputType,
              (std::vector<A>{video, A(MF_MT_SUBTYPE, MFVideoFormat_WMV3), A(MF_MT_AVG_BITRATE, 5000000),
                              progressive, size, rate, square}));
    EXPECT_EQ(log->inputType, (std::vector<A>{video, A(MF_MT_SUBTYPE, MFVideoFormat_RGB32), progressive, size,
                                              rate, square}));
    EXPECT_EQ(log->inputStreamIndex, 3u) << "the index AddStream returned";

    writer.Open(Mp4, L"C:\\movie.mp4", 320, 240, 1.0, 800000);
    EXPECT_EQ(log->outputType, (std::vector<A>{video, A(MF_MT_SUBTYPE, MFVideoFormat_H264),
                                               A(MF_MT_MPEG2_PROFILE, 77), A(MF_MT_AVG_BITRATE, 800000),
                                               progressive, A(MF_MT_FRAME_SIZE, (320ull << 32) | 240),
                                               A(MF_MT_FRAME_RATE, (1000ull << 32) | 1000), square}));
}

TEST_F(FakeSinkWriterTest, SamplesAreTimedFromTheFirstFrameWithTheNominalDuration)
{
    writer.Open(Wmv, L"C:\\movie.wmv", 16, 4, 29.97, 1000000);
    using Clock = std::chrono::steady_clock;
    const auto units = [](Clock::duration d)
    { return std::chrono::duration<double, std::ratio<1, 10000000>>(d).count(); };
    std::vector<Clock::time_point> before, after;
    for (std::uint32_t i = 0; i < 4; ++i)
    {
        // Real time passes between the frames, as between Snaps.
        Sleep(20);
        before.push_back(Clock::now());
        writer.WriteFrame(SavedFiles::PatternFrame(16, 4, i));
        after.push_back(Clock::now());
    }
    writer.Close();
    ASSERT_EQ(log->samples.size(), 4u);
    EXPECT_EQ(log->samples[0].time, 0);
    for (std::size_t i = 0; i < 4; ++i)
    {
        EXPECT_EQ(log->samples[i].streamIndex, 3u);
        EXPECT_EQ(log->samples[i].duration, 333667) << "10^7 / 29.97 units of 100 ns";
        // The time lies between what elapsed from the first frame's end to
        // this frame's start and from the first frame's start to this one's end.
        EXPECT_GE(static_cast<double>(log->samples[i].time), units(before[i] - after[0]) - 1);
        EXPECT_LE(static_cast<double>(log->samples[i].time), units(after[i] - before[0]) + 1);
    }
    EXPECT_GE(log->samples[3].time, 3 * 200000) << "three waits of 20 ms at least";
}

TEST_F(FakeSinkWriterTest, WmvGetsRowsTopDownAndMp4BottomUp)
{
    const Common::FrameBuffer frame = SavedFiles::PatternFrame(8, 5);
    for (const int kind : {Wmv, Mp4})
    {
        log->samples.clear();
        writer.Open(kind, L"C:\\movie", 8, 5, 30.0, 1000000);
        writer.WriteFrame(frame);
        writer.Close();
        ASSERT_EQ(log->samples.size(), 1u);
        const std::vector<std::uint8_t>& bytes = log->samples[0].bytes;
        ASSERT_EQ(bytes.size(), frame.pixels.size());
        for (int row = 0; row < 5; ++row)
        {
            const int source = kind == Wmv ? row : 4 - row;
            EXPECT_EQ(std::memcmp(bytes.data() + row * 32, frame.pixels.data() + source * 32, 32), 0)
                << "kind " << kind << " row " << row;
        }
    }
}

TEST_F(FakeSinkWriterTest, CloseFinalizesOnceAndLetsGoOfTheWriter)
{
    writer.Open(Mp4, L"C:\\movie.mp4", 16, 4, 30.0, 1000000);
    writer.WriteFrame(SavedFiles::PatternFrame(16, 4));
    writer.Close();
    writer.Close();
    EXPECT_EQ(Finalized(), 1);
    EXPECT_EQ(log->liveWriters, 0);
    writer.WriteFrame(SavedFiles::PatternFrame(16, 4));
    EXPECT_EQ(log->samples.size(), 1u) << "a closed writer drops frames";

    // A new movie first finishes the one still open; destruction finishes the last.
    {
        VideoWriter scoped(SavingTests::MakeFakeSinkWriterFactory(log));
        scoped.Open(Wmv, L"C:\\a.wmv", 16, 4, 30.0, 1000000);
        scoped.Open(Wmv, L"C:\\b.wmv", 16, 4, 30.0, 1000000);
        EXPECT_EQ(Finalized(), 2);
        EXPECT_EQ(log->liveWriters, 1);
    }
    EXPECT_EQ(Finalized(), 3);
    EXPECT_EQ(log->liveWriters, 0);
}

TEST_F(FakeSinkWriterTest, AFailedOpenLeavesTheWriterClosedAndAFailedSampleTheMovieOpen)
{
    for (const wchar_t* failing : {L"Create", L"AddStream", L"SetInputMediaType", L"BeginWriting"})
    {
        SCOPED_TRACE(testing::Message() << std::string(failing, failing + wcslen(failing)));
        log->failingCall = failing;
        try
        {
            writer.Open(Wmv, L"C:\\movie.wmv", 16, 4, 30.0, 1000000);
            ADD_FAILURE() << "Open succeeded";
        }
        catch (const Common::Exception& error)
        {
            EXPECT_EQ(error.ErrorCode, log->failingCall == L"Create" ? E_INVALIDARG : E_FAIL);
        }
        EXPECT_FALSE(writer.IsOpen());
        EXPECT_EQ(log->liveWriters, 0);
    }
    EXPECT_EQ(Finalized(), 0);

    // A failed sample keeps the movie open.
    log->failingCall = L"WriteSample";
    writer.Open(Wmv, L"C:\\movie.wmv", 16, 4, 30.0, 1000000);
    EXPECT_THROW(writer.WriteFrame(SavedFiles::PatternFrame(16, 4)), Common::Exception);
    log->failingCall.clear();
    writer.WriteFrame(SavedFiles::PatternFrame(16, 4));
    EXPECT_EQ(log->samples.size(), 1u);
    EXPECT_TRUE(writer.IsOpen());
}

TEST_F(FakeSinkWriterTest, BadKindsAndFormatsAreRefusedWithoutSpoilingTheWriter)
{
    EXPECT_THROW(writer.Open(-1, L"C:\\movie", 16, 4, 30.0, 1000000), Common::Exception);
    EXPECT_THROW(writer.Open(3, L"C:\\movie", 16, 4, 30.0, 1000000), Common::Exception);
    EXPECT_THROW(writer.Open(Wmv, L"C:\\movie.wmv", 16, 4, 0.0, 1000000), Common::Exception);
    EXPECT_THROW(writer.Open(Wmv, L"C:\\movie.wmv", 0, 4, 30.0, 1000000), Common::Exception);
    EXPECT_TRUE(log->calls.empty()) << "nothing was created";
    EXPECT_NO_THROW(writer.Close());
    EXPECT_NO_THROW(writer.WriteFrame(SavedFiles::PatternFrame(16, 4)));

    writer.Open(Wmv, L"C:\\movie.wmv", 16, 4, 30.0, 1000000);
    EXPECT_THROW(writer.WriteFrame(SavedFiles::PatternFrame(8, 4)), Common::Exception)
        << "a frame of another size would spoil the movie";
    EXPECT_TRUE(log->samples.empty());
}
