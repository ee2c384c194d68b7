// AVI movies written through the real AVIFile library and read back by our
// own RIFF reader. With TAVIX_AVI_OUTPUT set to a folder, the movies and the
// frames they must hold (top-down 24-bit rows, "<name>.bgr") are left there
// for tests/saving/check-avi.sh, which reads them with ffprobe and ffmpeg.
#include "AviFile.h"
#include "AviOutput.h"
#include "SavedFiles.h"

#include "app/Bgr24Image.h"
#include "app/VideoWriter.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

using TavixCapture::VideoWriter;

namespace
{
// A 24-bit bottom-up image row must hold the frame's row `height - 1 - row`.
void ExpectBottomUpFrame(const std::vector<std::uint8_t>& stored, const Common::FrameBuffer& frame)
{
    const int stride = TavixCapture::GetBgr24Stride(frame.width);
    ASSERT_EQ(stored.size(), static_cast<std::size_t>(stride) * frame.height);
    for (int row = 0; row < frame.height; ++row)
    {
        const std::uint8_t* target = stored.data() + row * stride;
        const std::uint8_t* source = frame.pixels.data() + (frame.height - 1 - row) * frame.stride;
        for (int x = 0; x < frame.width; ++x)
        {
            ASSERT_EQ(std::memcmp(target + 3 * x, source + 4 * x, 3), 0) << "row " << row << " x " << x;
        }
        for (int pad = frame.width * 3; pad < stride; ++pad)
        {
            ASSERT_EQ(target[pad], 0) << "filler of row " << row;
        }
    }
}
} // namespace

TEST(AviMovie, HeadersRowsAndFrameCountAreThoseOfTheFrames)
{
    const SavingTests::OutputFolder output;
    // 322 wide: each 24-bit row carries two filler bytes.
    std::vector<Common::FrameBuffer> frames;
    for (std::uint32_t i = 0; i < 5; ++i)
    {
        frames.push_back(SavedFiles::PatternFrame(322, 240, i * 17));
    }
    {
        VideoWriter writer;
        writer.Open(0, output.File(L"five.avi"), 322, 240, 30.0, 123456);
        for (const Common::FrameBuffer& frame : frames)
        {
            writer.WriteFrame(frame);
        }
        writer.Close();
        writer.WriteFrame(frames[0]); // after Close: dropped
    }
    SavingTests::WriteExpectedFrames(output.File(L"five.bgr"), frames);

    const SavingTests::AviContents avi = SavingTests::ReadAvi(output.File(L"five.avi"));
    EXPECT_EQ(avi.streamHeader.fccType, streamtypeVIDEO);
    EXPECT_EQ(avi.streamHeader.dwScale, 1000u);
    EXPECT_EQ(avi.streamHeader.dwRate, 30000u);
    EXPECT_EQ(avi.streamHeader.dwLength, 5u);
    EXPECT_EQ(avi.streamHeader.dwSuggestedBufferSize, 968u * 240);
    EXPECT_EQ(avi.bitmapHeader.biWidth, 322);
    EXPECT_EQ(avi.bitmapHeader.biHeight, 240) << "positive: bottom-up rows";
    EXPECT_EQ(avi.bitmapHeader.biBitCount, 24);
    EXPECT_EQ(avi.bitmapHeader.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(avi.bitmapHeader.biSizeImage, 968u * 240);
    ASSERT_EQ(avi.frames.size(), 5u);
    for (std::size_t i = 0; i < frames.size(); ++i)
    {
        SCOPED_TRACE(i);
        ExpectBottomUpFrame(avi.frames[i], frames[i]);
    }
}

TEST(AviMovie, A640By480MovieAt30FramesPerSecond)
{
    const SavingTests::OutputFolder output;
    const Common::FrameBuffer frame = SavedFiles::PatternFrame(640, 480, 3);
    {
        VideoWriter writer;
        writer.Open(0, output.File(L"vga.avi"), 640, 480, 29.97, 0);
        writer.WriteFrame(frame);
        writer.Close();
    }
    SavingTests::WriteExpectedFrames(output.File(L"vga.bgr"), {frame});
    const SavingTests::AviContents avi = SavingTests::ReadAvi(output.File(L"vga.avi"));
    EXPECT_EQ(avi.streamHeader.dwRate, 29970u);
    EXPECT_EQ(avi.streamHeader.dwScale, 1000u);
    EXPECT_EQ(avi.streamHeader.dwSuggestedBufferSize, 921600u);
    EXPECT_EQ(avi.streamHeader.dwSampleSize, 921600u);
    EXPECT_EQ(avi.bitmapHeader.biHeight, 480);
    ASSERT_EQ(avi.frames.size(), 1u);
    ExpectBottomUpFrame(avi.frames[0], frame);
}

TEST(AviMovie, AFileThatCannotBeCreatedIsAnErrorAndTheWriterStaysClosed)
{
    TestSupport::TempFolder folder;
    VideoWriter writer;
    try
    {
        writer.Open(0, folder.File(L"no-such-folder\\a.avi"), 64, 48, 30.0, 0);
        ADD_FAILURE() << "Open succeeded";
    }
    catch (const Common::Exception& error)
    {
        EXPECT_EQ(error.ErrorCode, E_UNEXPECTED);
    }
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_NO_THROW(writer.WriteFrame(SavedFiles::PatternFrame(64, 48)));
}
