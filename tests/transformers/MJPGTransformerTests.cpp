// The MJPG transformer with the real image decoder: a JPEG made by the
// platform's own encoder decodes into the frame; frames that do not start
// with the start-of-image marker are refused before any decoder object
// exists; decoder failures carry the decoder's code, release every per-frame
// object and leave the transformer ready for the next frame. (The default
// factory decodes the Media Foundation suite's MJPG stream.)
#include "CountingImagingFactory.h"

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
    EXPECT_EQ(factory_->objectsCreated - before, 3); // stream, decoder, converter
    EXPECT_TRUE(factory_->ReleaseObjectsAndCheckFreed());

    FrameBuffer large = FilledFrame(Width * 2, Height + 3);
    transformer_->Transform(jpeg.data(), size, Width, Height, Width * 2, large);
    EXPECT_LE(LargestError(large), 12);
    EXPECT_EQ(TestSupport::PixelAt(large, Width, 0), Guard);
    EXPECT_EQ(TestSupport::PixelAt(large, 0, Height + 2), Guard);
    EXPECT_EQ(factory_->objectsCreated - before, 6);
    EXPECT_TRUE(factory_->ReleaseObjectsAndCheckFreed());
}

} // namespace
