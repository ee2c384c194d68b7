// Random geometry through the plane function of every variant: odd widths
// and heights, 1-pixel images, padded, minimal and negative strides, frames
// larger and smaller than the source. The source holds exactly the bytes
// RequiredSourceBytes asks for and lies against an inaccessible page, so a
// read outside it crashes; the frame is surrounded by guard bytes, and
// nothing outside the first cols columns and rows rows may change.
#include "KernelTestSupport.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

namespace ConvertTests
{
namespace
{

using Common::Convert::RequiredSourceBytes;
using Common::Convert::SourceRowBytes;

constexpr std::uint8_t Guard = 0xCD;

struct Geometry
{
    SourceLayout layout;
    int width, height, stride, frameWidth, frameHeight;
    YuvEncoding encoding = {};
};

void CheckConversion(const Geometry& g, GuardedBuffer::Placement placement, std::mt19937& random)
{
    const std::uint64_t needed = RequiredSourceBytes(g.layout, g.width, g.height, g.stride);
    ASSERT_NE(needed, std::numeric_limits<std::uint64_t>::max());
    GuardedBuffer source(static_cast<std::size_t>(needed), placement);
    for (std::size_t i = 0; i < source.size(); ++i)
    {
        source.data()[i] = static_cast<std::uint8_t>(random());
    }
    const std::uint8_t* top =
        g.stride < 0 ? source.data() + static_cast<std::ptrdiff_t>(g.height - 1) * -g.stride : source.data();

    const int frameStride = g.frameWidth * 4;
    const std::size_t frameBytes = static_cast<std::size_t>(frameStride) * g.frameHeight;
    const std::size_t margin = 64;
    std::vector<std::uint8_t> expected(frameBytes + 2 * margin, Guard);
    const int rows = std::min(g.height, g.frameHeight);
    const int cols = std::min(g.width, g.frameWidth);
    for (int y = 0; y < rows; ++y)
    {
        for (int x = 0; x < cols; ++x)
        {
            const std::uint32_t pixel = ReferencePixel(g.layout, top, g.height, g.stride, x, y, g.encoding);
            std::memcpy(expected.data() + margin + static_cast<std::size_t>(y) * frameStride + 4 * x, &pixel,
                        4);
        }
    }
    for (const RowKernels* kernels : AvailableVariants())
    {
        std::vector<std::uint8_t> frame(frameBytes + 2 * margin, Guard);
        Common::Convert::ConvertToBgra(
            *kernels,
            Common::Convert::SourceImage{g.layout, top, g.width, g.height, g.stride, nullptr, g.encoding},
            BgraImage{frame.data() + margin, g.frameWidth, g.frameHeight, frameStride});
        if (frame != expected)
        {
            std::size_t at = 0;
            while (frame[at] == expected[at])
            {
                ++at;
            }
            const long long offset = static_cast<long long>(at) - static_cast<long long>(margin);
            FAIL() << kernels->name << " " << LayoutName(g.layout) << " " << EncodingName(g.encoding) << " "
                   << g.width << "x" << g.height << " stride " << g.stride << " frame " << g.frameWidth << "x"
                   << g.frameHeight << ": first wrong byte at frame offset " << offset << " (row "
                   << (offset >= 0 ? offset / frameStride : -1) << ")";
        }
    }
}

int Between(std::mt19937& random, int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(random);
}

TEST(Geometry, RandomSizesStridesAndFramesMatchTheReference)
{
    std::mt19937 random(20261206);
    for (int round = 0; round < 1500; ++round)
    {
        Geometry g{};
        g.layout = AllLayouts[round % 10];
        g.width = round % 7 == 0 ? 1 : Between(random, 1, round % 5 == 0 ? 700 : 70);
        g.height = round % 11 == 0 ? 1 : Between(random, 1, 9);
        const int rowBytes = static_cast<int>(SourceRowBytes(g.layout, g.width));
        const int chromaBytes = (g.width + 1) / 2 * 2;
        const int minimal = std::max(rowBytes, g.layout == SourceLayout::NV12 ? chromaBytes : 0);
        g.stride = minimal + (round % 3 == 0 ? 0 : Between(random, 1, 40));
        if (g.layout != SourceLayout::NV12 && random() % 2 == 0)
        {
            g.stride = -g.stride;
        }
        g.frameWidth = Between(random, 1, g.width + 20);
        g.frameHeight = Between(random, 1, g.height + 3);
        g.encoding = AllEncodings[(round / 10) % 4];
        SCOPED_TRACE(round);
        CheckConversion(g, round % 2 == 0 ? GuardedBuffer::AtEnd : GuardedBuffer::AtStart, random);
        if (::testing::Test::HasFatalFailure())
        {
            return;
        }
    }
}

TEST(Geometry, GaplessImagesOfEveryLayout)
{
    // Source rows without padding and a frame of the same width: the rows
    // may be converted as one.
    std::mt19937 random(11);
    for (SourceLayout layout : AllLayouts)
    {
        for (int width : {1, 2, 7, 16, 33, 64, 99})
        {
            int stride = static_cast<int>(SourceRowBytes(layout, width));
            if (layout == SourceLayout::NV12)
            {
                stride += width % 2;
            }
            CheckConversion({layout, width, 5, stride, width, 5}, GuardedBuffer::AtEnd, random);
            CheckConversion({layout, width, 5, stride, width, 3}, GuardedBuffer::AtStart, random);
            CheckConversion({layout, width, 3, stride, width, 6}, GuardedBuffer::AtEnd, random);
        }
    }
}

TEST(Geometry, OnePixelImagesOfEveryLayout)
{
    std::mt19937 random(7);
    for (SourceLayout layout : AllLayouts)
    {
        const int stride = static_cast<int>(std::max<std::uint64_t>(SourceRowBytes(layout, 1), 2));
        CheckConversion({layout, 1, 1, stride, 1, 1}, GuardedBuffer::AtEnd, random);
        CheckConversion({layout, 1, 1, stride, 3, 2}, GuardedBuffer::AtStart, random);
    }
}

TEST(Geometry, NV12OfFourByTwoSharesOneChromaRow)
{
    // Y plane 4 x 2, then U0 V0 U1 V1 shared by both rows.
    const std::uint8_t source[12] = {16, 235, 126, 128, 235, 16, 128, 126, 128, 128, 90, 240};
    for (const RowKernels* kernels : AvailableVariants())
    {
        std::uint32_t out[8] = {};
        Common::Convert::ConvertToBgra(*kernels, SourceLayout::NV12, source, 4, 2, 4,
                                       BgraImage{reinterpret_cast<std::uint8_t*>(out), 4, 2, 16});
        EXPECT_EQ(out[0], 0xFF000000u) << kernels->name;
        EXPECT_EQ(out[1], 0xFFFFFFFFu) << kernels->name;
        EXPECT_EQ(out[4], 0xFFFFFFFFu) << kernels->name;
        EXPECT_EQ(out[5], 0xFF000000u) << kernels->name;
        for (int i : {2, 3, 6, 7})
        {
            const std::uint8_t y = source[i < 4 ? i : i];
            EXPECT_EQ(out[i], FormulaPixel(y, 90, 240)) << kernels->name << " pixel " << i;
        }
    }
}

// A 1080-row picture in 1088-row planes (as cameras that work in 16-row
// blocks deliver it): the chroma plane starts below the eight padding rows,
// and the buffer holds exactly both planes.
TEST(Geometry, NV12WithTallerPlanesConvertsExactly)
{
    constexpr int width = 1920, height = 1080, planeRows = 1088, stride = 1920;
    const std::uint64_t needed =
        Common::Convert::RequiredSourceBytes(SourceLayout::NV12, width, height, stride, planeRows);
    ASSERT_EQ(needed, static_cast<std::uint64_t>(stride) * (planeRows + height / 2));
    GuardedBuffer source(static_cast<std::size_t>(needed), GuardedBuffer::AtEnd);
    std::mt19937 random(1088);
    for (std::size_t i = 0; i < source.size(); ++i)
    {
        source.data()[i] = static_cast<std::uint8_t>(random());
    }
    const std::uint8_t* chroma = source.data() + static_cast<std::ptrdiff_t>(planeRows) * stride;
    std::vector<std::uint32_t> frame(static_cast<std::size_t>(width) * height);
    for (const RowKernels* kernels : AvailableVariants())
    {
        for (const YuvEncoding encoding : AllEncodings)
        {
            const TextbookFactors textbook = Textbook(encoding);
            std::fill(frame.begin(), frame.end(), 0u);
            Common::Convert::ConvertToBgra(
                *kernels,
                Common::Convert::SourceImage{SourceLayout::NV12, source.data(), width, height, stride, chroma,
                                             encoding},
                BgraImage{reinterpret_cast<std::uint8_t*>(frame.data()), width, height, width * 4});
            for (int y = 0; y < height; y += 7)
            {
                for (int x = 0; x < width; ++x)
                {
                    const std::uint8_t* pair = chroma + (y / 2) * stride + x / 2 * 2;
                    ASSERT_EQ(frame[static_cast<std::size_t>(y) * width + x],
                              FormulaPixel(source.data()[y * stride + x], pair[0], pair[1], textbook))
                        << kernels->name << " " << EncodingName(encoding) << " pixel " << x << "," << y;
                }
            }
        }
    }
}

TEST(Geometry, RequiredSourceBytes)
{
    EXPECT_EQ(RequiredSourceBytes(SourceLayout::YUY2, 3, 2, 8), 16u);
    EXPECT_EQ(RequiredSourceBytes(SourceLayout::YUY2, 4, 2, 8), 16u);
    EXPECT_EQ(RequiredSourceBytes(SourceLayout::RGB24, 3, 2, -12), 21u);
    EXPECT_EQ(RequiredSourceBytes(SourceLayout::RGB24, 3, 2, 12), 21u);
    EXPECT_EQ(RequiredSourceBytes(SourceLayout::RGB32, 640, 480, 2560), 640u * 480 * 4);
    EXPECT_EQ(RequiredSourceBytes(SourceLayout::NV12, 4, 2, 4), 12u);
    EXPECT_EQ(RequiredSourceBytes(SourceLayout::NV12, 640, 480, 640), 640u * 480 * 3 / 2);
    EXPECT_EQ(RequiredSourceBytes(SourceLayout::NV12, 3, 3, 4), 4u * 4 + 4);
    EXPECT_EQ(RequiredSourceBytes(SourceLayout::NV12, 4, 2, -4), std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(RequiredSourceBytes(SourceLayout::NV12, 4, 2, 4, 4), 4u * 4 + 4);
    EXPECT_EQ(RequiredSourceBytes(SourceLayout::NV12, 4, 2, 4, 1), std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(RequiredSourceBytes(SourceLayout::YUY2, 4, 2, 8, 6), 16u);
    EXPECT_EQ(RequiredSourceBytes(SourceLayout::RGB8, 0, 5, 16), 0u);
    EXPECT_EQ(RequiredSourceBytes(SourceLayout::RGB8, 5, -1, 16), 0u);
    EXPECT_EQ(RequiredSourceBytes(SourceLayout::RGB32, 0x7FFFFFFF, 0x7FFFFFFF, -0x7FFFFFFF - 1),
              0x7FFFFFFEull * 0x80000000ull + 0x7FFFFFFFull * 4);
}

} // namespace
} // namespace ConvertTests
