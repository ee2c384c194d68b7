// AVI movies written through the real AVIFile library and read back. With
// TAVIX_AVI_OUTPUT set to a folder, the movies and the frames they must hold
// (top-down 24-bit rows, "<name>.bgr") are left there for
// tests/saving/check-avi.sh, which reads them with ffprobe and ffmpeg.
#include "AviFile.h"
#include "SavedFiles.h"

#include "app/VideoWriter.h"

#include <gtest/gtest.h>

#include <cstring>

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
        std::vector<Common::FrameBuffer> frames;
        for (std::uint32_t i = 0; i < movie.frames; ++i)
        {
            frames.push_back(SavedFiles::PatternFrame(movie.width, movie.height, i * 17));
        }
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
            // Stored row r holds the frame's row height - 1 - r, then zero filler.
            const std::vector<std::uint8_t>& stored = avi.frames[i];
            ASSERT_EQ(stored.size(), stride * movie.height);
            for (int row = 0; row < movie.height; ++row)
            {
                const std::uint8_t* target = stored.data() + row * stride;
                const std::uint8_t* source =
                    frames[i].pixels.data() + (movie.height - 1 - row) * frames[i].stride;
                for (int x = 0; x < movie.width; ++x)
                {
                    ASSERT_EQ(std::memcmp(target + 3 * x, source + 4 * x, 3), 0)
                        << "row " << row << " x " << x;
                }
                for (DWORD pad = movie.width * 3; pad < stride; ++pad)
                {
                    ASSERT_EQ(target[pad], 0) << "filler of row " << row;
                }
            }
        }
    }
}
