// What a format says beyond size and stride reaches the conversion: the YUV
// matrix and range of a Media Foundation media type, its display aperture,
// and NV12 planes taller than the picture (1088 rows for 1080), each through
// the transformer the device selects. The formulas themselves are the native
// kernel tests' subject; here each known colour shows which one was used.
#include "Common/capture/convert/ConvertToBgra.h"
#include "Common/capture/mediafoundation/MediaFoundationFrameFormat.h"
#include "Common/capture/transform/IntegerTransformers.h"

#include "support/FramePixels.h"

#include <gtest/gtest.h>

#include <mfapi.h>

#include <random>
#include <vector>

namespace
{

using Common::FrameBuffer;
using Common::Convert::YuvMatrix;
using Common::Convert::YuvRange;
using TestSupport::FilledFrame;
using TestSupport::PixelAt;

// A 1920-wide YUY2 or NV12 media type of the given height.
Common::ComPointer<IMFMediaType> MediaType(const GUID& subtype, UINT32 height)
{
    Common::ComPointer<IMFMediaType> type;
    Common::ThrowIfFailed(MFCreateMediaType(type.Put()));
    Common::ThrowIfFailed(type->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video));
    Common::ThrowIfFailed(type->SetGUID(MF_MT_SUBTYPE, subtype));
    Common::ThrowIfFailed(type->SetUINT64(MF_MT_FRAME_SIZE, (UINT64{1920} << 32) | height));
    Common::ThrowIfFailed(type->SetUINT64(MF_MT_FRAME_RATE, (UINT64{30} << 32) | 1));
    return type;
}

class MediaFoundationStartup
{
public:
    MediaFoundationStartup() { Common::ThrowIfFailed(MFStartup(MF_VERSION, MFSTARTUP_FULL)); }
    ~MediaFoundationStartup() { MFShutdown(); }
};

TEST(SourceFormat, MediaTypeGivesMatrixRangeAndAperture)
{
    const MediaFoundationStartup startup;
    const Common::MediaFoundationFrameFormat plain(MediaType(MFVideoFormat_YUY2, 1080).Get());
    EXPECT_EQ(plain.yuvEncoding, Common::Convert::YuvEncoding{});
    EXPECT_EQ(plain.height, 1080);
    EXPECT_EQ(plain.planeRows, 0);

    auto type = MediaType(MFVideoFormat_NV12, 1088);
    Common::ThrowIfFailed(type->SetUINT32(MF_MT_YUV_MATRIX, MFVideoTransferMatrix_BT709));
    Common::ThrowIfFailed(type->SetUINT32(MF_MT_VIDEO_NOMINAL_RANGE, MFNominalRange_0_255));
    MFVideoArea aperture = {};
    aperture.Area.cx = 1920;
    aperture.Area.cy = 1080;
    Common::ThrowIfFailed(
        type->SetBlob(MF_MT_MINIMUM_DISPLAY_APERTURE, reinterpret_cast<UINT8*>(&aperture), sizeof aperture));
    const Common::MediaFoundationFrameFormat padded(type.Get());
    EXPECT_EQ(padded.yuvEncoding.matrix, YuvMatrix::Bt709);
    EXPECT_EQ(padded.yuvEncoding.range, YuvRange::Full);
    EXPECT_EQ(padded.width, 1920);
    EXPECT_EQ(padded.height, 1080);
    EXPECT_EQ(padded.planeRows, 1088);
    EXPECT_EQ(padded.GetName(), L"NV12 1920x1080 (30fps)");

    // An aperture larger than the frame says nothing usable.
    aperture.Area.cy = 1200;
    Common::ThrowIfFailed(
        type->SetBlob(MF_MT_MINIMUM_DISPLAY_APERTURE, reinterpret_cast<UINT8*>(&aperture), sizeof aperture));
    EXPECT_EQ(Common::MediaFoundationFrameFormat(type.Get()).height, 1088);
}

// A 1080-row picture delivered in 1088-row NV12 planes, the buffer exactly
// both planes long: every pixel takes its chroma from below the padding.
// The same bytes read as 1080-row planes would put the chroma eight rows
// too high.
TEST(SourceFormat, NV12WithTallerPlanesConvertsExactly)
{
    const MediaFoundationStartup startup;
    constexpr int width = 1920, height = 1080, planeRows = 1088;
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(width) * planeRows * 3 / 2);
    std::mt19937 random(1088);
    for (auto& byte : buffer)
    {
        byte = static_cast<std::uint8_t>(random());
    }
    FrameBuffer expected = FilledFrame(width, height);
    Common::Convert::ConvertToBgra(
        Common::Convert::SourceImage{Common::Convert::SourceLayout::NV12, buffer.data(), width, height, width,
                                     buffer.data() + static_cast<std::size_t>(width) * planeRows},
        {expected.pixels.data(), width, height, width * 4});

    Common::NV12Transformer transformer(MFVideoFormat_NV12);
    FrameBuffer frame = FilledFrame(width, height);
    transformer.Transform(buffer.data(), static_cast<std::uint32_t>(buffer.size()), width, height, width,
                          frame);
    EXPECT_TRUE(frame.pixels == expected.pixels);

    // The format may say so itself, with a buffer of any length.
    Common::MediaFoundationFrameFormat format(MediaType(MFVideoFormat_NV12, height).Get());
    format.planeRows = planeRows;
    transformer.SetSourceFormat(format);
    buffer.resize(buffer.size() + 100);
    frame = FilledFrame(width, height);
    transformer.Transform(buffer.data(), static_cast<std::uint32_t>(buffer.size()), width, height, width,
                          frame);
    EXPECT_TRUE(frame.pixels == expected.pixels);
}

// The encoding and the aperture through the transformer: a 4x2 YUY2 picture
// at column 2, row 1 of a 6x3 buffer, read as full-range BT.709.
TEST(SourceFormat, TransformerConvertsThePictureInItsEncoding)
{
    const MediaFoundationStartup startup;
    // Each row: two groups of padding, then (16, 128, 16, 128) and
    // (182, 30, 182, 12).
    const std::uint8_t row[] = {1, 2, 3, 4, 16, 128, 16, 128, 182, 30, 182, 12};
    std::vector<std::uint8_t> buffer;
    for (int y = 0; y < 3; ++y)
    {
        buffer.insert(buffer.end(), std::begin(row), std::end(row));
    }
    Common::MediaFoundationFrameFormat format(MediaType(MFVideoFormat_YUY2, 2).Get());
    format.width = 4;
    format.yuvEncoding = {YuvMatrix::Bt709, YuvRange::Full};
    format.pictureLeft = 2;
    format.pictureTop = 1;
    Common::YUY2Transformer transformer(MFVideoFormat_YUY2);
    transformer.SetSourceFormat(format);
    FrameBuffer frame = FilledFrame(4, 2);
    transformer.Transform(buffer.data(), static_cast<std::uint32_t>(buffer.size()), 4, 2, 12, frame);
    for (int y = 0; y < 2; ++y)
    {
        // Full range: luma 16 is dark grey, not black; BT.709's green.
        EXPECT_EQ(PixelAt(frame, 0, y), 0xFF101010u);
        EXPECT_EQ(PixelAt(frame, 1, y), 0xFF101010u);
        EXPECT_EQ(PixelAt(frame, 2, y), 0xFF00FF00u);
        EXPECT_EQ(PixelAt(frame, 3, y), 0xFF00FF00u);
    }
    // Without the format's word: BT.601 studio range from the buffer's start.
    Common::YUY2Transformer plain(MFVideoFormat_YUY2);
    frame = FilledFrame(4, 2);
    plain.Transform(buffer.data() + 4, static_cast<std::uint32_t>(buffer.size() - 4), 4, 2, 12, frame);
    EXPECT_EQ(PixelAt(frame, 0, 0), 0xFF000000u);
    // The buffer must hold the picture where the format places it.
    EXPECT_THROW(transformer.Transform(buffer.data(), 32, 4, 2, 12, frame), Common::Exception);
}

} // namespace
