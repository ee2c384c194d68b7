// The ten integer transformers as the device uses them: the list and its
// subtypes, the colours the program promises, every RGB layout, bottom-up
// sources, cropping into smaller frames and partial filling of larger ones,
// odd sizes, and the refusal of buffers too short for the selected format.
#include "Common/capture/convert/ConvertToBgra.h"
#include "Common/capture/convert/KernelDispatch.h"
#include "Common/capture/mediafoundation/MediaFoundationDeviceIntegerTransformers.h"
#include "Common/capture/mediafoundation/MediaFoundationDeviceMJPGTransformer.h"

#include "support/FramePixels.h"

#include <gtest/gtest.h>

#include <mfapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace
{

using Common::FrameBuffer;
using Transformer = Common::MediaFoundationDevice::Transformer;

constexpr std::uint32_t Guard = TestSupport::GuardPixel;
using TestSupport::PixelAt;

FrameBuffer GuardedFrame(int width, int height)
{
    return TestSupport::FilledFrame(width, height);
}

template <class T>
void Convert(const std::vector<std::uint8_t>& source, int width, int height, int stride, FrameBuffer& frame)
{
    T transformer;
    transformer.Transform(source.data(), static_cast<std::uint32_t>(source.size()), width, height, stride,
                          frame);
}

TEST(TransformerList, OneOfEachInSearchOrderWithTheirSubtypes)
{
    const auto transformers = Common::MediaFoundationDevice::CreateTransformers();
    const GUID* expected[] = {&MFVideoFormat_RGB32,  &MFVideoFormat_ARGB32, &MFVideoFormat_RGB24,
                              &MFVideoFormat_RGB555, &MFVideoFormat_RGB565, &MFVideoFormat_RGB8,
                              &MFVideoFormat_YUY2,   &MFVideoFormat_YVYU,   &MFVideoFormat_UYVY,
                              &MFVideoFormat_NV12,   &MFVideoFormat_MJPG};
    const DWORD data1[] = {0x16,       0x15,       0x14,       0x18,       0x17,      0x29,
                           0x32595559, 0x55595659, 0x59565955, 0x3231564E, 0x47504A4D};
    ASSERT_EQ(transformers.size(), 11u);
    for (std::size_t i = 0; i < transformers.size(); ++i)
    {
        const GUID& subtype = transformers[i]->GetSubtype();
        EXPECT_TRUE(IsEqualGUID(subtype, *expected[i])) << i;
        EXPECT_EQ(subtype.Data1, data1[i]) << i;
        EXPECT_EQ(subtype.Data2, 0x0000);
        EXPECT_EQ(subtype.Data3, 0x0010);
        const BYTE tail[8] = {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        EXPECT_EQ(std::memcmp(subtype.Data4, tail, 8), 0) << i;
    }
    EXPECT_NE(dynamic_cast<Common::MediaFoundationDevice::NV12Transformer*>(transformers[9].get()), nullptr);
    EXPECT_NE(dynamic_cast<Common::MediaFoundationDevice::MJPGTransformer*>(transformers[10].get()), nullptr);
}

TEST(YuvTransformers, KnownColours)
{
    struct Case
    {
        std::uint8_t y, u, v;
        std::uint32_t bgra;
    };
    const Case cases[] = {
        {128, 128, 128, 0xFF828282u}, {126, 128, 128, 0xFF808080u}, {81, 90, 240, 0xFFFF0000u},
        {41, 240, 110, 0xFF0000FFu},  {145, 54, 34, 0xFF00FF01u},   {0, 128, 128, 0xFF000000u},
        {255, 128, 128, 0xFFFFFFFFu},
    };
    for (const Case& c : cases)
    {
        FrameBuffer yuy2 = GuardedFrame(2, 1), yvyu = GuardedFrame(2, 1), uyvy = GuardedFrame(2, 1),
                    nv12 = GuardedFrame(2, 2);
        Convert<Common::MediaFoundationDevice::YUY2Transformer>({c.y, c.u, c.y, c.v}, 2, 1, 4, yuy2);
        Convert<Common::MediaFoundationDevice::YVYUTransformer>({c.y, c.v, c.y, c.u}, 2, 1, 4, yvyu);
        Convert<Common::MediaFoundationDevice::UYVYTransformer>({c.u, c.y, c.v, c.y}, 2, 1, 4, uyvy);
        Convert<Common::MediaFoundationDevice::NV12Transformer>({c.y, c.y, c.y, c.y, c.u, c.v}, 2, 2, 2,
                                                                nv12);
        for (const FrameBuffer* frame : {&yuy2, &yvyu, &uyvy, &nv12})
        {
            for (std::size_t i = 0; i < frame->pixels.size(); i += 4)
            {
                EXPECT_EQ(PixelAt(*frame, static_cast<int>(i / 4) % 2, static_cast<int>(i / 8)), c.bgra)
                    << "Y=" << int(c.y) << " U=" << int(c.u) << " V=" << int(c.v);
            }
        }
    }
}

TEST(YuvTransformers, YUY2GroupGivesBlackThenWhite)
{
    FrameBuffer frame = GuardedFrame(2, 1);
    Convert<Common::MediaFoundationDevice::YUY2Transformer>({16, 128, 235, 128}, 2, 1, 4, frame);
    EXPECT_EQ(PixelAt(frame, 0, 0), 0xFF000000u);
    EXPECT_EQ(PixelAt(frame, 1, 0), 0xFFFFFFFFu);
}

TEST(YuvTransformers, NV12FourByTwoSharesOneChromaRow)
{
    // Luma 16 235 | 126 128 over 235 16 | 128 126; chroma U0 V0 = neutral, U1 V1 = (90, 240).
    FrameBuffer frame = GuardedFrame(4, 2);
    Convert<Common::MediaFoundationDevice::NV12Transformer>(
        {16, 235, 81, 81, 235, 16, 81, 81, 128, 128, 90, 240}, 4, 2, 4, frame);
    EXPECT_EQ(PixelAt(frame, 0, 0), 0xFF000000u);
    EXPECT_EQ(PixelAt(frame, 1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(frame, 0, 1), 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(frame, 1, 1), 0xFF000000u);
    for (int x : {2, 3})
    {
        for (int y : {0, 1})
        {
            EXPECT_EQ(PixelAt(frame, x, y), 0xFFFF0000u) << x << "," << y;
        }
    }
}

TEST(RgbTransformers, AlphaIsForcedExceptForARGB32)
{
    FrameBuffer rgb32 = GuardedFrame(1, 1), argb32 = GuardedFrame(1, 1);
    Convert<Common::MediaFoundationDevice::RGB32Transformer>({0x11, 0x22, 0x33, 0x00}, 1, 1, 4, rgb32);
    Convert<Common::MediaFoundationDevice::ARGB32Transformer>({0x11, 0x22, 0x33, 0x00}, 1, 1, 4, argb32);
    EXPECT_EQ(PixelAt(rgb32, 0, 0), 0xFF332211u);
    EXPECT_EQ(PixelAt(argb32, 0, 0), 0x00332211u);
}

TEST(RgbTransformers, SixteenBitFieldsAreWidenedByShifting)
{
    FrameBuffer rgb555 = GuardedFrame(4, 1), rgb565 = GuardedFrame(3, 1);
    Convert<Common::MediaFoundationDevice::RGB555Transformer>(
        {0xFF, 0x7F, 0xFF, 0xFF, 0x00, 0x7C, 0xE0, 0x03}, 4, 1, 8, rgb555);
    EXPECT_EQ(PixelAt(rgb555, 0, 0), 0xFFF8F8F8u);
    EXPECT_EQ(PixelAt(rgb555, 1, 0), 0xFFF8F8F8u);
    EXPECT_EQ(PixelAt(rgb555, 2, 0), 0xFFF80000u);
    EXPECT_EQ(PixelAt(rgb555, 3, 0), 0xFF00F800u);
    Convert<Common::MediaFoundationDevice::RGB565Transformer>({0xFF, 0xFF, 0xE0, 0x07, 0x1F, 0x00}, 3, 1, 6,
                                                              rgb565);
    EXPECT_EQ(PixelAt(rgb565, 0, 0), 0xFFF8FCF8u);
    EXPECT_EQ(PixelAt(rgb565, 1, 0), 0xFF00FC00u);
    EXPECT_EQ(PixelAt(rgb565, 2, 0), 0xFF0000F8u);
}

TEST(RgbTransformers, RGB8IsGreyWithoutPalette)
{
    FrameBuffer frame = GuardedFrame(2, 1);
    Convert<Common::MediaFoundationDevice::RGB8Transformer>({200, 7}, 2, 1, 2, frame);
    EXPECT_EQ(PixelAt(frame, 0, 0), 0xFFC8C8C8u);
    EXPECT_EQ(PixelAt(frame, 1, 0), 0xFF070707u);
}

TEST(RgbTransformers, BottomUpRGB24ComesOutUpright)
{
    // Two rows of two pixels, stride 8, stored bottom row first: the
    // transformer gets the last row in memory and a negative stride.
    const std::vector<std::uint8_t> buffer = {
        0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0xEE, 0xEE, // bottom image row
        0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0xEE, 0xEE, // top image row
    };
    FrameBuffer frame = GuardedFrame(2, 2);
    Common::MediaFoundationDevice::RGB24Transformer transformer;
    transformer.Transform(buffer.data() + 8, static_cast<std::uint32_t>(buffer.size()), 2, 2, -8, frame);
    EXPECT_EQ(PixelAt(frame, 0, 0), 0xFF131211u);
    EXPECT_EQ(PixelAt(frame, 1, 0), 0xFF161514u);
    EXPECT_EQ(PixelAt(frame, 0, 1), 0xFF030201u);
    EXPECT_EQ(PixelAt(frame, 1, 1), 0xFF060504u);
}

TEST(Geometry, LargerSourceIsCroppedAndSmallerLeavesTheRestAlone)
{
    // A 40 x 6 RGB8 ramp: into a 17 x 3 frame (cropped) and a 50 x 9 frame
    // (the rest keeps its guard value). 40 columns also run the vector loops.
    std::vector<std::uint8_t> source(48 * 6);
    for (std::size_t i = 0; i < source.size(); ++i)
    {
        source[i] = static_cast<std::uint8_t>(i);
    }
    FrameBuffer small = GuardedFrame(17, 3), large = GuardedFrame(50, 9);
    Convert<Common::MediaFoundationDevice::RGB8Transformer>(source, 40, 6, 48, small);
    Convert<Common::MediaFoundationDevice::RGB8Transformer>(source, 40, 6, 48, large);
    for (int y = 0; y < 9; ++y)
    {
        for (int x = 0; x < 50; ++x)
        {
            const std::uint32_t grey = static_cast<std::uint8_t>(y * 48 + x) * 0x010101u | 0xFF000000u;
            if (x < 17 && y < 3)
            {
                EXPECT_EQ(PixelAt(small, x, y), grey) << x << "," << y;
            }
            EXPECT_EQ(PixelAt(large, x, y), x < 40 && y < 6 ? grey : Guard) << x << "," << y;
        }
    }
}

TEST(Geometry, OddSizesConvertEveryPixelFromItsOwnLuma)
{
    // YUY2 3 x 1: the unpaired third pixel uses its own Y0 and its group's chroma.
    FrameBuffer yuy2 = GuardedFrame(4, 1);
    Convert<Common::MediaFoundationDevice::YUY2Transformer>({16, 128, 235, 128, 81, 90, 41, 240}, 3, 1, 8,
                                                            yuy2);
    EXPECT_EQ(PixelAt(yuy2, 0, 0), 0xFF000000u);
    EXPECT_EQ(PixelAt(yuy2, 1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(yuy2, 2, 0), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(yuy2, 3, 0), Guard);

    // NV12 3 x 3, stride 4: the last row uses chroma row 1, the last column the pair of columns 2-3.
    const std::vector<std::uint8_t> nv12 = {
        16,  16,  235, 0,   // luma
        16,  16,  235, 0,   //
        235, 235, 16,  0,   //
        128, 128, 128, 128, // chroma row 0
        128, 128, 128, 128, // chroma row 1
    };
    FrameBuffer frame = GuardedFrame(4, 4);
    Convert<Common::MediaFoundationDevice::NV12Transformer>(nv12, 3, 3, 4, frame);
    for (int y = 0; y < 4; ++y)
    {
        for (int x = 0; x < 4; ++x)
        {
            const bool white = (y < 2 && x == 2) || (y == 2 && x < 2);
            const std::uint32_t expected = x == 3 || y == 3 ? Guard : (white ? 0xFFFFFFFFu : 0xFF000000u);
            EXPECT_EQ(PixelAt(frame, x, y), expected) << x << "," << y;
        }
    }
}

TEST(Geometry, OnePixelImages)
{
    FrameBuffer frame = GuardedFrame(1, 1);
    Convert<Common::MediaFoundationDevice::RGB24Transformer>({1, 2, 3}, 1, 1, 3, frame);
    EXPECT_EQ(PixelAt(frame, 0, 0), 0xFF030201u);
    Convert<Common::MediaFoundationDevice::UYVYTransformer>({128, 235, 128, 0}, 1, 1, 4, frame);
    EXPECT_EQ(PixelAt(frame, 0, 0), 0xFFFFFFFFu);
    Convert<Common::MediaFoundationDevice::NV12Transformer>({81, 0, 90, 240}, 1, 1, 2, frame);
    EXPECT_EQ(PixelAt(frame, 0, 0), 0xFFFF0000u);
}

// Expects the length check's error and an untouched frame.
template <class T>
void ExpectTooShort(const std::vector<std::uint8_t>& buffer, std::size_t offset, std::uint32_t length,
                    int width, int height, int stride)
{
    FrameBuffer frame = GuardedFrame(width, height);
    T transformer;
    try
    {
        transformer.Transform(buffer.data() + offset, length, width, height, stride, frame);
        ADD_FAILURE() << "a buffer of " << length << " bytes was accepted";
    }
    catch (const Common::Exception& error)
    {
        EXPECT_EQ(error.ErrorCode, HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER));
        EXPECT_EQ(error.Message, L"フレームのデータが不足しています。");
        EXPECT_EQ(error.File, L"KernelTransformer");
    }
    for (std::size_t i = 0; i < frame.pixels.size(); i += 4)
    {
        ASSERT_EQ(PixelAt(frame, static_cast<int>(i / 4) % width, static_cast<int>(i / 4) / width), Guard);
    }
}

TEST(LengthCheck, ShortBuffersAreRefusedBeforeAnythingIsRead)
{
    std::vector<std::uint8_t> buffer(64 * 64, 128);
    // YUY2 5 x 3, stride 12: 2 * 12 + 12 bytes (the odd last pixel reads its whole group).
    ExpectTooShort<Common::MediaFoundationDevice::YUY2Transformer>(buffer, 0, 35, 5, 3, 12);
    // Bottom-up RGB24 4 x 3, stride 12: the buffer starts two rows below the top row.
    ExpectTooShort<Common::MediaFoundationDevice::RGB24Transformer>(buffer, 24, 35, 4, 3, -12);
    // NV12 8 x 4: both planes, 8 * 4 + 8 * 2 bytes.
    ExpectTooShort<Common::MediaFoundationDevice::NV12Transformer>(buffer, 0, 47, 8, 4, 8);
    ExpectTooShort<Common::MediaFoundationDevice::NV12Transformer>(buffer, 0, 32, 8, 4, 8);
    ExpectTooShort<Common::MediaFoundationDevice::RGB32Transformer>(buffer, 0, 1, 2, 2, 8);
}

TEST(LengthCheck, ExactLengthAndUnknownLengthConvert)
{
    std::vector<std::uint8_t> nv12(8 * 4 + 8 * 2, 128);
    nv12[0] = 235;
    FrameBuffer frame = GuardedFrame(8, 4);
    Common::MediaFoundationDevice::NV12Transformer transformer;
    transformer.Transform(nv12.data(), 48, 8, 4, 8, frame);
    EXPECT_EQ(PixelAt(frame, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(frame, 7, 3), 0xFF828282u);

    // Length 0: the two-dimensional buffer access; nothing to check against.
    FrameBuffer rgb = GuardedFrame(4, 3);
    std::vector<std::uint8_t> bottomUp(36, 9);
    Common::MediaFoundationDevice::RGB24Transformer rgb24;
    rgb24.Transform(bottomUp.data() + 24, 0, 4, 3, -12, rgb);
    EXPECT_EQ(PixelAt(rgb, 3, 2), 0xFF090909u);
    rgb24.Transform(bottomUp.data() + 24, 36, 4, 3, -12, rgb);
    EXPECT_EQ(PixelAt(rgb, 0, 0), 0xFF090909u);
}

TEST(LengthCheck, BottomUpNV12WithAKnownLengthIsRefused)
{
    // Its chroma plane would lie below the start of the buffer.
    std::vector<std::uint8_t> buffer(48, 128);
    ExpectTooShort<Common::MediaFoundationDevice::NV12Transformer>(buffer, 24, 48, 8, 4, -8);
}

// The dispatched kernels of this build, on frames wide enough for their
// vector loops and with odd tails, give the bytes of the scalar reference.
TEST(Dispatch, TheFastKernelsEqualTheScalarReference)
{
    const auto transformers = Common::MediaFoundationDevice::CreateTransformers();
    const auto& scalar = *Common::Convert::FindRowKernels(Common::Convert::KernelVariant::Scalar);
    std::vector<std::uint8_t> source(300 * 7 * 4);
    std::uint32_t state = 12345;
    for (auto& byte : source)
    {
        state = state * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(state >> 23);
    }
    for (int i = 0; i < 10; ++i)
    {
        const auto* transformer = dynamic_cast<Common::KernelTransformer*>(transformers[i].get());
        ASSERT_NE(transformer, nullptr);
        for (int width : {67, 131, 256})
        {
            FrameBuffer fast = GuardedFrame(width, 4), reference = GuardedFrame(width, 4);
            transformers[i]->Transform(source.data(), static_cast<std::uint32_t>(source.size()), width, 4,
                                       300 * 4, fast);
            Common::Convert::ConvertToBgra(scalar, transformer->GetLayout(), source.data(), width, 4, 300 * 4,
                                           {reference.pixels.data(), width, 4, width * 4});
            EXPECT_EQ(fast.pixels, reference.pixels) << "layout " << i << " width " << width;
        }
    }
}

TEST(Dispatch, ThePlatformBuildUsesTheFastestKernels)
{
    using Common::Convert::IsKernelVariantSupported;
    using Common::Convert::KernelVariant;
    const auto& kernels = Common::Convert::ActiveRowKernels();
    std::printf("conversion kernels in use: %s (AVX2 %s, AVX-512 BW %s)\n", kernels.name,
                IsKernelVariantSupported(KernelVariant::Avx2) ? "present" : "absent",
                IsKernelVariantSupported(KernelVariant::Avx512) ? "present" : "absent");
    if (std::getenv("TAVIX_CPU_DISABLE") == nullptr)
    {
        const KernelVariant fastest = IsKernelVariantSupported(KernelVariant::Avx512) ? KernelVariant::Avx512
                                      : IsKernelVariantSupported(KernelVariant::Avx2) ? KernelVariant::Avx2
                                                                                      : KernelVariant::Sse2;
        EXPECT_EQ(kernels.variant, fastest);
    }
}

} // namespace
