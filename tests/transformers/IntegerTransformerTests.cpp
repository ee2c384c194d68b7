// The ten integer transformers as the device uses them: the refusal of
// buffers too short for the selected format, and the list with every kernel
// variant of this build (another compiler and ABI than the native kernel
// tests) against the scalar path. The pixel formulas themselves are tested
// by the native kernel tests.
#include "Common/Exception.h"
#include "Common/capture/convert/ConvertToBgra.h"
#include "Common/capture/convert/KernelDispatch.h"
#include "Common/capture/mediafoundation/MediaFoundationDevice.h"
#include "Common/capture/transform/IntegerTransformers.h"

#include "support/FramePixels.h"

#include <gtest/gtest.h>

#include <mfapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace
{

using Common::FrameBuffer;
using Common::Convert::SourceLayout;

using TestSupport::FilledFrame; // of guard pixels
using TestSupport::PixelAt;

// Expects the length check's error and an untouched frame.
template <class T>
void ExpectTooShort(const std::vector<std::uint8_t>& buffer, std::size_t offset, std::uint32_t length,
                    int width, int height, int stride)
{
    FrameBuffer frame = FilledFrame(width, height);
    T transformer(GUID_NULL);
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
    EXPECT_EQ(frame.pixels, FilledFrame(width, height).pixels) << "the frame was written";
}

TEST(LengthCheck, ShortBuffersAreRefusedBeforeAnythingIsRead)
{
    std::vector<std::uint8_t> buffer(64 * 64, 128);
    // YUY2 5 x 3, stride 12: 2 * 12 + 12 bytes (the odd last pixel reads its whole group).
    ExpectTooShort<Common::YUY2Transformer>(buffer, 0, 35, 5, 3, 12);
    // Bottom-up RGB24 4 x 3, stride 12: the buffer starts two rows below the top row.
    ExpectTooShort<Common::RGB24Transformer>(buffer, 24, 35, 4, 3, -12);
    // NV12 8 x 4: both planes, 8 * 4 + 8 * 2 bytes; the exact length converts.
    ExpectTooShort<Common::NV12Transformer>(buffer, 0, 47, 8, 4, 8);
    ExpectTooShort<Common::NV12Transformer>(buffer, 0, 32, 8, 4, 8);
    FrameBuffer frame = FilledFrame(8, 4);
    Common::NV12Transformer(MFVideoFormat_NV12).Transform(buffer.data(), 48, 8, 4, 8, frame);
    EXPECT_EQ(PixelAt(frame, 7, 3), 0xFF828282u);
    // Bottom-up NV12 with a known length: its chroma plane would lie below the start of the buffer.
    ExpectTooShort<Common::NV12Transformer>(buffer, 24, 48, 8, 4, -8);
    ExpectTooShort<Common::RGB32Transformer>(buffer, 0, 1, 2, 2, 8);
}

// Every kernel variant this processor runs, directly and through the
// transformers (which use the variant the process chose; CTest runs this
// again with TAVIX_CPU_DISABLE leaving only the scalar kernels), over small
// odd-sized images with padded and with gapless rows, gives the bytes of the
// scalar path, and nothing outside the image.
TEST(Dispatch, EveryKernelVariantEqualsTheScalarPath)
{
    using Common::Convert::FindRowKernels;
    using Common::Convert::IsKernelVariantSupported;
    using Common::Convert::KernelVariant;
    using Common::Convert::SourceRowBytes;

    const auto& active = Common::Convert::ActiveRowKernels();
    std::printf("conversion kernels in use: %s (AVX2 %s, AVX-512 BW %s, VBMI %s)\n", active.name,
                IsKernelVariantSupported(KernelVariant::Avx2) ? "present" : "absent",
                IsKernelVariantSupported(KernelVariant::Avx512) ? "present" : "absent",
                IsKernelVariantSupported(KernelVariant::Avx512Vbmi) ? "present" : "absent");
    if (const char* expected = std::getenv("TAVIX_EXPECT_VARIANT"))
    {
        EXPECT_STREQ(active.name, expected);
    }
    else
    {
        const KernelVariant fastest =
            IsKernelVariantSupported(KernelVariant::Avx512Vbmi) ? KernelVariant::Avx512Vbmi
            : IsKernelVariantSupported(KernelVariant::Avx512)   ? KernelVariant::Avx512
            : IsKernelVariantSupported(KernelVariant::Avx2)     ? KernelVariant::Avx2
                                                                : KernelVariant::Sse2;
        EXPECT_EQ(active.variant, fastest);
    }

    const auto& scalar = *FindRowKernels(KernelVariant::Scalar);
    std::vector<const Common::Convert::RowKernels*> variants;
    for (KernelVariant variant :
         {KernelVariant::Sse2, KernelVariant::Avx2, KernelVariant::Avx512, KernelVariant::Avx512Vbmi})
    {
        if (const auto* kernels = FindRowKernels(variant))
        {
            variants.push_back(kernels);
        }
    }
    ASSERT_FALSE(variants.empty());

    std::vector<std::uint8_t> source(4 * 140 * 5 * 2);
    std::mt19937 random(12345);
    std::generate(source.begin(), source.end(), [&] { return static_cast<std::uint8_t>(random()); });
    // The device's list, in search order: each subtype with the kernels of
    // its layout, then MJPG.
    const auto transformers = Common::MediaFoundationDevice::CreateTransformers();
    const GUID* subtypes[] = {&MFVideoFormat_RGB32,  &MFVideoFormat_ARGB32, &MFVideoFormat_RGB24,
                              &MFVideoFormat_RGB555, &MFVideoFormat_RGB565, &MFVideoFormat_RGB8,
                              &MFVideoFormat_YUY2,   &MFVideoFormat_YVYU,   &MFVideoFormat_UYVY,
                              &MFVideoFormat_NV12,   &MFVideoFormat_MJPG};
    ASSERT_EQ(transformers.size(), std::size(subtypes));
    EXPECT_TRUE(IsEqualGUID(transformers[10]->GetSubtype(), MFVideoFormat_MJPG));
    int compared = 0;
    for (int i = 0; i < 10; ++i)
    {
        const auto* transformer = dynamic_cast<Common::KernelTransformer*>(transformers[i].get());
        ASSERT_NE(transformer, nullptr);
        EXPECT_TRUE(IsEqualGUID(transformer->GetSubtype(), *subtypes[i])) << i;
        const auto layout = transformer->GetLayout();
        ASSERT_EQ(layout, static_cast<SourceLayout>(i));
        // Widths around the vector loops (8 to 64 pixels a step) with odd tails,
        // and one even width, whose gapless rows are converted as one row.
        for (int width : {1, 3, 17, 34, 67, 131})
        {
            for (int height : {1, 3})
            {
                const int rowBytes = static_cast<int>(SourceRowBytes(layout, width));
                for (int stride : {rowBytes + (layout == SourceLayout::NV12 ? width % 2 : 0), rowBytes + 13})
                {
                    SCOPED_TRACE(::testing::Message()
                                 << "layout " << i << " " << width << "x" << height << " stride " << stride);
                    FrameBuffer reference = FilledFrame(width, height);
                    Common::Convert::ConvertToBgra(scalar, layout, source.data(), width, height, stride,
                                                   {reference.pixels.data(), width, height, width * 4});
                    for (const auto* kernels : variants)
                    {
                        FrameBuffer frame = FilledFrame(width, height);
                        Common::Convert::ConvertToBgra(*kernels, layout, source.data(), width, height, stride,
                                                       {frame.pixels.data(), width, height, width * 4});
                        EXPECT_EQ(frame.pixels, reference.pixels) << kernels->name;
                        ++compared;
                    }
                    FrameBuffer transformed = FilledFrame(width, height);
                    transformers[i]->Transform(source.data(), static_cast<std::uint32_t>(source.size()),
                                               width, height, stride, transformed);
                    EXPECT_EQ(transformed.pixels, reference.pixels) << "transformer";
                }
            }
        }
    }
    EXPECT_EQ(compared, 10 * 6 * 2 * 2 * static_cast<int>(variants.size()));
}

} // namespace
