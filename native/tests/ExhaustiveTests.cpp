// Every input value through every kernel variant: all 2^24 (Y, U, V) triples
// for the four YUV layouts, every 16-bit word for RGB555 and RGB565, every
// byte for RGB8. Each variant must equal the formula, hence each other.
#include "KernelTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace ConvertTests
{
namespace
{

// Compares a converted row with the expected pixels; reports the first difference.
::testing::AssertionResult SameRow(const std::vector<std::uint32_t>& expected,
                                   const std::vector<std::uint8_t>& row, const RowKernels& kernels,
                                   SourceLayout layout, int u)
{
    if (std::memcmp(expected.data(), row.data(), expected.size() * 4) == 0)
    {
        return ::testing::AssertionSuccess();
    }
    for (std::size_t x = 0; x < expected.size(); ++x)
    {
        std::uint32_t actual;
        std::memcpy(&actual, row.data() + 4 * x, 4);
        if (actual != expected[x])
        {
            char text[160];
            std::snprintf(text, sizeof text, "%s %s: Y=%zu U=%d V=%zu gives %08X, formula %08X", kernels.name,
                          LayoutName(layout), 2 * (x >> 9) + (x & 1), u, (x >> 1) & 255, actual, expected[x]);
            return ::testing::AssertionFailure() << text;
        }
    }
    return ::testing::AssertionFailure() << "row differs";
}

// For each U one row of 65536 pixels holds every (Y, V): pixel i has
// V = bits 1-8 of i (so the chroma changes from pixel pair to pixel pair) and
// Y = 2 * (i >> 9) + (i & 1).
TEST(Exhaustive, EveryYuvTripleMatchesTheFormulaInEveryVariant)
{
    const auto variants = AvailableVariants();
    ASSERT_GE(variants.size(), 2u);
    constexpr int count = 65536;
    std::vector<std::uint32_t> expected(count);
    std::vector<std::uint8_t> yuy2(2 * count), yvyu(2 * count), uyvy(2 * count), luma(count), chroma(count),
        row(4 * count);
    long long checked = 0;
    for (int u = 0; u < 256; ++u)
    {
        for (int i = 0; i < count; ++i)
        {
            const int v = (i >> 1) & 255;
            const int y = 2 * (i >> 9) + (i & 1);
            expected[i] = FormulaPixel(y, u, v);
            const auto luma8 = static_cast<std::uint8_t>(y);
            const auto chroma8 = static_cast<std::uint8_t>(i % 2 == 0 ? u : v);
            const auto swapped8 = static_cast<std::uint8_t>(i % 2 == 0 ? v : u);
            yuy2[2 * i] = luma8, yuy2[2 * i + 1] = chroma8;
            yvyu[2 * i] = luma8, yvyu[2 * i + 1] = swapped8;
            uyvy[2 * i] = chroma8, uyvy[2 * i + 1] = luma8;
            luma[i] = luma8;
            chroma[i] = chroma8;
        }
        for (const RowKernels* kernels : variants)
        {
            const std::pair<SourceLayout, const std::uint8_t*> packed[] = {{SourceLayout::YUY2, yuy2.data()},
                                                                           {SourceLayout::YVYU, yvyu.data()},
                                                                           {SourceLayout::UYVY, uyvy.data()}};
            for (const auto& [layout, source] : packed)
            {
                std::fill(row.begin(), row.end(), 0x5A);
                kernels->packed[static_cast<int>(layout)](source, row.data(), count);
                ASSERT_TRUE(SameRow(expected, row, *kernels, layout, u));
            }
            std::fill(row.begin(), row.end(), 0x5A);
            kernels->nv12(luma.data(), chroma.data(), row.data(), count);
            ASSERT_TRUE(SameRow(expected, row, *kernels, SourceLayout::NV12, u));
            checked += 4 * count;
        }
    }
    EXPECT_EQ(checked, 4LL * (1LL << 24) * static_cast<long long>(variants.size()));
}

TEST(Exhaustive, EverySixteenBitWordMatchesTheFormulaInEveryVariant)
{
    std::vector<std::uint8_t> words(2 * 65536);
    for (int p = 0; p < 65536; ++p)
    {
        words[2 * p] = static_cast<std::uint8_t>(p);
        words[2 * p + 1] = static_cast<std::uint8_t>(p >> 8);
    }
    std::vector<std::uint8_t> row(4 * 65536);
    for (const RowKernels* kernels : AvailableVariants())
    {
        for (SourceLayout layout : {SourceLayout::RGB555, SourceLayout::RGB565})
        {
            kernels->packed[static_cast<int>(layout)](words.data(), row.data(), 65536);
            for (int p = 0; p < 65536; ++p)
            {
                std::uint32_t actual;
                std::memcpy(&actual, row.data() + 4 * p, 4);
                ASSERT_EQ(actual, ReferencePixel(layout, words.data(), 1, 0, p, 0))
                    << kernels->name << " " << LayoutName(layout) << " word " << p;
            }
        }
    }
}

TEST(Exhaustive, EveryGreyByteInEveryVariant)
{
    std::vector<std::uint8_t> grey(256), row(1024);
    for (int i = 0; i < 256; ++i)
    {
        grey[i] = static_cast<std::uint8_t>(i);
    }
    for (const RowKernels* kernels : AvailableVariants())
    {
        kernels->packed[static_cast<int>(SourceLayout::RGB8)](grey.data(), row.data(), 256);
        for (int i = 0; i < 256; ++i)
        {
            std::uint32_t actual;
            std::memcpy(&actual, row.data() + 4 * i, 4);
            ASSERT_EQ(actual, 0xFF000000u | static_cast<std::uint32_t>(i) * 0x010101u)
                << kernels->name << " " << i;
        }
    }
}

// The colour values the program promises, through the plane function of
// every variant (a YUY2 group is two pixels).
TEST(Exhaustive, KnownColours)
{
    struct Case
    {
        int y, u, v;
        std::uint32_t bgra;
    };
    const Case cases[] = {
        {16, 128, 128, 0xFF000000u},  {235, 128, 128, 0xFFFFFFFFu}, {128, 128, 128, 0xFF828282u},
        {126, 128, 128, 0xFF808080u}, {81, 90, 240, 0xFFFF0000u},   {41, 240, 110, 0xFF0000FFu},
        {145, 54, 34, 0xFF00FF01u},   {0, 128, 128, 0xFF000000u},   {255, 128, 128, 0xFFFFFFFFu},
    };
    for (const RowKernels* kernels : AvailableVariants())
    {
        for (const Case& c : cases)
        {
            std::uint8_t source[4] = {static_cast<std::uint8_t>(c.y), static_cast<std::uint8_t>(c.u),
                                      static_cast<std::uint8_t>(c.y), static_cast<std::uint8_t>(c.v)};
            std::uint32_t out[2] = {};
            Common::Convert::ConvertToBgra(*kernels, SourceLayout::YUY2, source, 2, 1, 4,
                                           BgraImage{reinterpret_cast<std::uint8_t*>(out), 2, 1, 8});
            EXPECT_EQ(out[0], c.bgra) << kernels->name << " Y=" << c.y << " U=" << c.u << " V=" << c.v;
            EXPECT_EQ(out[1], c.bgra) << kernels->name;
        }
    }
}

} // namespace
} // namespace ConvertTests
