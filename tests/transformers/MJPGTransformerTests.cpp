// The MJPG transformer with the real image decoder: a JPEG made by the
// platform's own encoder decodes into the frame; frames that do not start
// with the start-of-image marker are refused before any decoder object
// exists; decoder failures carry the decoder's code, release every per-frame
// object and leave the transformer ready for the next frame. (The default
// factory decodes the Media Foundation suite's MJPG stream.)
#include "CountingImagingFactory.h"

#include "Common/capture/convert/MotionJpeg.h"
#include "Common/capture/transform/MJPGTransformer.h"

#include "support/FramePixels.h"
#include "support/TestJpeg.h"

#include <gtest/gtest.h>

#include <mfapi.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

namespace
{

using Common::ComPointer;
using Common::FrameBuffer;
using TestSupport::FilledFrame; // of guard pixels
using MJPGTransformer = Common::MJPGTransformer;

constexpr std::uint32_t Guard = TestSupport::GuardPixel;
constexpr int Width = 64;
constexpr int Height = 32;

// The test image: smooth ramps, so the JPEG error stays small.
void TestColour(int x, int y, std::uint8_t bgr[3])
{
    bgr[0] = static_cast<std::uint8_t>(x * 4);
    bgr[1] = static_cast<std::uint8_t>(y * 8);
    bgr[2] = static_cast<std::uint8_t>(200 - x * 2);
}

// Every pixel near the test image, opaque; the largest channel error.
int LargestError(const FrameBuffer& frame)
{
    int largest = 0;
    for (int y = 0; y < Height; ++y)
    {
        for (int x = 0; x < Width; ++x)
        {
            const std::uint8_t* pixel = frame.pixels.data() + y * frame.stride + 4 * x;
            std::uint8_t expected[3];
            TestColour(x, y, expected);
            for (int c = 0; c < 3; ++c)
            {
                largest = std::max(largest, std::abs(pixel[c] - expected[c]));
            }
            if (pixel[3] != 0xFF)
            {
                return 256;
            }
        }
    }
    return largest;
}

class MJPGTransformerTest : public ::testing::Test
{
protected:
    MJPGTransformerTest() : factory_(new CountingImagingFactory())
    {
        ComPointer<IWICImagingFactory> shared(factory_);
        transformer_ = std::make_unique<MJPGTransformer>(MFVideoFormat_MJPG, shared);
        factory_->Release(); // The transformer and `shared` hold it now.
    }

    // Expects Transform to raise; returns the exception.
    Common::Exception TransformFails(const std::vector<std::uint8_t>& data, std::uint32_t length,
                                     FrameBuffer& frame)
    {
        try
        {
            transformer_->Transform(data.data(), length, Width, Height, Width * 2, frame);
        }
        catch (const Common::Exception& error)
        {
            return error;
        }
        ADD_FAILURE() << "the frame was accepted";
        return Common::Exception(L"accepted");
    }

    CountingImagingFactory* factory_;
    std::unique_ptr<MJPGTransformer> transformer_;
};

TEST_F(MJPGTransformerTest, FramesWithoutTheStartMarkerAreRefusedBeforeAnyDecoderExists)
{
    std::vector<std::uint8_t> data = TestSupport::EncodeJpeg(Width, Height, TestColour);
    FrameBuffer frame = FilledFrame(Width, Height);
    // Shorter than the marker, then the end-of-image marker in its place.
    EXPECT_EQ(TransformFails(data, 1, frame).ErrorCode, static_cast<HRESULT>(E_UNEXPECTED));
    EXPECT_EQ(TransformFails(data, 0, frame).ErrorCode, static_cast<HRESULT>(E_UNEXPECTED));
    data[1] = 0xD9;
    const Common::Exception error = TransformFails(data, static_cast<std::uint32_t>(data.size()), frame);
    EXPECT_EQ(error.ErrorCode, static_cast<HRESULT>(E_UNEXPECTED));
    EXPECT_EQ(error.File, L"MJPGTransformer");
    EXPECT_EQ(factory_->objectsCreated, 0);
    EXPECT_EQ(frame.pixels, FilledFrame(Width, Height).pixels) << "the frame was written";
}

// A cut-off file gives the decoder's code and an image larger than the frame
// is refused untouched, each releasing every per-frame object; the next frame
// decodes, and an image smaller than the frame fills its top-left corner only.
TEST_F(MJPGTransformerTest, DecoderFailuresReleaseEveryObjectAndTheNextFrameDecodes)
{
    const std::vector<std::uint8_t> jpeg = TestSupport::EncodeJpeg(Width, Height, TestColour);
    const auto size = static_cast<std::uint32_t>(jpeg.size());
    FrameBuffer frame = FilledFrame(Width, Height);
    const Common::Exception error = TransformFails(jpeg, 40, frame);
    EXPECT_TRUE(FAILED(error.ErrorCode));
    EXPECT_NE(error.ErrorCode, static_cast<HRESULT>(E_UNEXPECTED));
    EXPECT_EQ(error.File, L"MJPGTransformer");
    EXPECT_GE(factory_->objectsCreated, 1);
    EXPECT_TRUE(factory_->ReleaseObjectsAndCheckFreed());

    const int before = factory_->objectsCreated;
    FrameBuffer small = FilledFrame(Width / 2, Height / 2);
    EXPECT_EQ(TransformFails(jpeg, size, small).ErrorCode,
              static_cast<HRESULT>(WINCODEC_ERR_INSUFFICIENTBUFFER));
    EXPECT_EQ(small.pixels, FilledFrame(Width / 2, Height / 2).pixels) << "the frame was written";
    EXPECT_EQ(factory_->objectsCreated - before, 2); // stream, decoder (a colour JPEG needs no converter)
    EXPECT_TRUE(factory_->ReleaseObjectsAndCheckFreed());

    FrameBuffer large = FilledFrame(Width * 2, Height + 3);
    transformer_->Transform(jpeg.data(), size, Width, Height, Width * 2, large);
    EXPECT_LE(LargestError(large), 12);
    EXPECT_EQ(TestSupport::PixelAt(large, Width, 0), Guard);
    EXPECT_EQ(TestSupport::PixelAt(large, 0, Height + 2), Guard);
    EXPECT_EQ(factory_->objectsCreated - before, 4);
    EXPECT_TRUE(factory_->ReleaseObjectsAndCheckFreed());
}

// The decode runs in Prepare, which the devices call before they take the
// frame's lock; Transform then makes no imaging object and only exchanges
// the decoded buffer with the frame's: frame after frame two buffers take
// turns and nothing is allocated. A prepared image larger than the frame is
// refused untouched, and the next frame decodes again.
TEST_F(MJPGTransformerTest, PrepareDecodesAndTransformOnlyPlacesTheImage)
{
    const std::vector<std::uint8_t> jpeg = TestSupport::EncodeJpeg(Width, Height, TestColour);
    const auto size = static_cast<std::uint32_t>(jpeg.size());
    FrameBuffer frame = FilledFrame(Width, Height);
    std::vector<const std::uint8_t*> buffers;
    for (int i = 0; i < 4; ++i)
    {
        transformer_->Prepare(jpeg.data(), size);
        const int created = factory_->objectsCreated;
        std::fill(frame.pixels.begin(), frame.pixels.end(), std::uint8_t{0});
        transformer_->Transform(jpeg.data(), size, Width, Height, Width * 2, frame);
        EXPECT_EQ(factory_->objectsCreated, created);
        EXPECT_LE(LargestError(frame), 12) << "frame " << i;
        if (std::find(buffers.begin(), buffers.end(), frame.pixels.data()) == buffers.end())
        {
            buffers.push_back(frame.pixels.data());
        }
    }
    EXPECT_EQ(buffers.size(), 2u);

    transformer_->Prepare(jpeg.data(), size);
    FrameBuffer small = FilledFrame(Width / 2, Height);
    EXPECT_THROW(transformer_->Transform(jpeg.data(), size, Width, Height, Width * 2, small),
                 Common::Exception);
    EXPECT_EQ(small.pixels, FilledFrame(Width / 2, Height).pixels) << "the frame was written";
    const int created = factory_->objectsCreated;
    transformer_->Transform(jpeg.data(), size, Width, Height, Width * 2, frame);
    EXPECT_GT(factory_->objectsCreated, created) << "a frame not prepared was not decoded";
    EXPECT_TRUE(factory_->ReleaseObjectsAndCheckFreed());
}

// The JPEG as many USB cameras send it: every DHT segment left out, the
// decoder to assume the standard tables. (The platform's encoder writes
// the standard tables, so the frame decodes as before.)
std::vector<std::uint8_t> WithoutHuffmanTables(const std::vector<std::uint8_t>& jpeg)
{
    std::vector<std::uint8_t> stripped(jpeg.begin(), jpeg.begin() + 2);
    std::size_t at = 2;
    while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF && jpeg[at + 1] != 0xDA)
    {
        const std::size_t length = static_cast<std::size_t>(jpeg[at + 2]) << 8 | jpeg[at + 3];
        if (jpeg[at + 1] != 0xC4)
        {
            stripped.insert(stripped.end(), jpeg.begin() + at, jpeg.begin() + at + 2 + length);
        }
        at += 2 + length;
    }
    stripped.insert(stripped.end(), jpeg.begin() + at, jpeg.end());
    return stripped;
}

// The Huffman tables of a JPEG stream before its first scan: class and id,
// then the 16 code counts and the values, one entry per table.
std::vector<std::vector<std::uint8_t>> HuffmanTables(const std::vector<std::uint8_t>& jpeg)
{
    std::vector<std::vector<std::uint8_t>> tables;
    std::size_t at = 2;
    while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF && jpeg[at + 1] != 0xDA)
    {
        const std::size_t end = at + 2 + (static_cast<std::size_t>(jpeg[at + 2]) << 8 | jpeg[at + 3]);
        for (std::size_t table = at + 4; jpeg[at + 1] == 0xC4 && table + 17 <= end;)
        {
            std::size_t values = 0;
            for (int i = 1; i <= 16; ++i)
            {
                values += jpeg[table + i];
            }
            tables.emplace_back(jpeg.begin() + table, jpeg.begin() + table + 17 + values);
            table += 17 + values;
        }
        at = end;
    }
    std::sort(tables.begin(), tables.end());
    return tables;
}

// The tables inserted are the standard ones, which the platform's encoder
// writes too; a frame that has its tables is left alone.
TEST(MotionJpeg, InsertedTablesAreTheStandardOnes)
{
    const std::vector<std::uint8_t> jpeg = TestSupport::EncodeJpeg(Width, Height, TestColour);
    EXPECT_EQ(Common::Convert::MissingHuffmanTablesAt(jpeg.data(), jpeg.size()), 0u);
    const std::vector<std::uint8_t> stripped = WithoutHuffmanTables(jpeg);
    const std::size_t at = Common::Convert::MissingHuffmanTablesAt(stripped.data(), stripped.size());
    ASSERT_NE(at, 0u);
    EXPECT_EQ(stripped[at + 1], 0xDA);
    std::vector<std::uint8_t> completed;
    Common::Convert::InsertStandardHuffmanTables(stripped.data(), stripped.size(), at, completed);
    EXPECT_EQ(HuffmanTables(completed), HuffmanTables(jpeg));
    EXPECT_EQ(HuffmanTables(completed).size(), 4u);
    EXPECT_EQ(Common::Convert::MissingHuffmanTablesAt(completed.data(), completed.size()), 0u);
    // Not a JPEG, or cut off before its first scan: the decoder decides.
    EXPECT_EQ(Common::Convert::MissingHuffmanTablesAt(stripped.data(), at - 3), 0u);
    EXPECT_EQ(Common::Convert::MissingHuffmanTablesAt(stripped.data() + 1, stripped.size() - 1), 0u);
}

TEST_F(MJPGTransformerTest, FramesWithoutHuffmanTablesDecodeWithTheStandardOnes)
{
    const std::vector<std::uint8_t> jpeg = TestSupport::EncodeJpeg(Width, Height, TestColour);
    const std::vector<std::uint8_t> stripped = WithoutHuffmanTables(jpeg);
    ASSERT_LT(stripped.size() + 400, jpeg.size()) << "the encoder wrote no Huffman tables";
    for (int frame = 0; frame < 2; ++frame)
    {
        FrameBuffer decoded = FilledFrame(Width, Height);
        transformer_->Transform(stripped.data(), static_cast<std::uint32_t>(stripped.size()), Width, Height,
                                Width * 2, decoded);
        EXPECT_LE(LargestError(decoded), 12) << "frame " << frame;
    }
    EXPECT_TRUE(factory_->ReleaseObjectsAndCheckFreed());
}

} // namespace
