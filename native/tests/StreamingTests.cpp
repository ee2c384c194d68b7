// The streaming kernels (stores around the cache, for frames larger than
// it) give the bytes of the scalar reference from every destination
// alignment (they convert up to the first 64-byte boundary the plain way and
// refuse to stream to a destination that is not 8-byte aligned), over rows
// of every length, with the source against a page end and guard bytes around
// the destination; and a frame large enough to stream converts exactly.
#include "KernelTestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace ConvertTests
{
namespace
{

TEST(Streaming, KernelsEqualTheReferenceFromEveryAlignment)
{
    const RowKernels& scalar = Common::Convert::GetScalarRowKernels();
    std::mt19937 random(64);
    int streamed = 0;
    for (const RowKernels* kernels : AvailableVariants())
    {
        for (const SourceLayout layout : AllLayouts)
        {
            const bool nv12 = layout == SourceLayout::NV12;
            const auto kernel = kernels->streamingPacked[static_cast<int>(layout)];
            if (nv12 ? kernels->streamingNv12 == nullptr : kernel == nullptr)
            {
                continue;
            }
            ++streamed;
            for (const int count : {1, 2, 31, 32, 33, 64, 95, 130, 1000})
            {
                for (const int misalignment : {0, 4, 8, 16, 24, 40, 56, 60})
                {
                    const YuvEncoding encoding = AllEncodings[random() % 4];
                    const auto& factors = Common::Convert::GetYuvKernelFactors(encoding);
                    const auto sourceBytes =
                        static_cast<std::size_t>(Common::Convert::SourceRowBytes(layout, count));
                    GuardedBuffer source(sourceBytes, GuardedBuffer::AtEnd);
                    GuardedBuffer chroma(static_cast<std::size_t>(count + 1) / 2 * 2, GuardedBuffer::AtEnd);
                    for (std::size_t i = 0; i < sourceBytes; ++i)
                    {
                        source.data()[i] = static_cast<std::uint8_t>(random());
                    }
                    for (std::size_t i = 0; i < chroma.size(); ++i)
                    {
                        chroma.data()[i] = static_cast<std::uint8_t>(random());
                    }
                    alignas(64) static std::uint8_t expected[4 * 1000 + 256];
                    alignas(64) static std::uint8_t actual[4 * 1000 + 256];
                    std::memset(expected, 0xEE, sizeof expected);
                    std::memset(actual, 0xEE, sizeof actual);
                    std::uint8_t* const expectedRow = expected + 64 + misalignment;
                    std::uint8_t* const actualRow = actual + 64 + misalignment;
                    if (nv12)
                    {
                        scalar.nv12(source.data(), chroma.data(), expectedRow, count, factors);
                        kernels->streamingNv12(source.data(), chroma.data(), actualRow, count, factors);
                    }
                    else
                    {
                        scalar.packed[static_cast<int>(layout)](source.data(), expectedRow, count, factors);
                        kernel(source.data(), actualRow, count, factors);
                    }
                    ASSERT_EQ(0, std::memcmp(expected, actual, sizeof expected))
                        << kernels->name << " " << LayoutName(layout) << " " << EncodingName(encoding)
                        << " count " << count << " destination offset " << misalignment;
                }
            }
        }
    }
    if (streamed == 0)
    {
        GTEST_SKIP() << "no kernel variant of this processor streams";
    }
}

// A 3840x2160 YUY2 frame is larger than the streaming threshold: the whole
// frame goes through the streaming kernels of the active variant.
TEST(Streaming, LargeFrameConvertsExactly)
{
    constexpr int width = 3840, height = 2160;
    std::vector<std::uint8_t> source(static_cast<std::size_t>(width) * height * 2);
    std::mt19937 random(2160);
    for (auto& byte : source)
    {
        byte = static_cast<std::uint8_t>(random());
    }
    std::vector<std::uint32_t> frame(static_cast<std::size_t>(width) * height);
    for (const RowKernels* kernels : AvailableVariants())
    {
        const YuvEncoding encoding{YuvMatrix::Bt709, YuvRange::Full};
        const TextbookFactors textbook = Textbook(encoding);
        Common::Convert::ConvertToBgra(
            *kernels,
            Common::Convert::SourceImage{SourceLayout::YUY2, source.data(), width, height, width * 2, nullptr,
                                         encoding},
            BgraImage{reinterpret_cast<std::uint8_t*>(frame.data()), width, height, width * 4});
        for (std::size_t pixel = 0; pixel < frame.size(); pixel += 97)
        {
            const std::uint8_t* group = source.data() + pixel / 2 * 4;
            ASSERT_EQ(frame[pixel], FormulaPixel(group[pixel % 2 * 2], group[1], group[3], textbook))
                << kernels->name << " pixel " << pixel;
        }
    }
}

} // namespace
} // namespace ConvertTests
