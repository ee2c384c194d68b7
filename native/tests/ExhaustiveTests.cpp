// Every input value through every kernel variant: all 2^24 (Y, U, V) triples
// for the four YUV layouts in each of the four YUV encodings, every 16-bit
// word for RGB555 and RGB565, every byte for RGB8. Each variant must equal
// the textbook formula, hence each other.
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
                                   SourceLayout layout, YuvEncoding encoding, int u)
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
            char text[200];
            std::snprintf(text, sizeof text, "%s %s %s: Y=%zu U=%d V=%zu gives %08X, formula %08X",
                          kernels.name, LayoutName(layout), EncodingName(encoding).c_str(),
                          2 * (x >> 9) + (x & 1), u, (x >> 1) & 255, actual, expected[x]);
            return ::testing::AssertionFailure() << text;
        }
    }
    return ::testing::AssertionFailure() << "row differs";
}

// For each U one row of 65536 pixels holds every (Y, V): pixel i has
// V = bits 1-8 of i (so the chroma changes from pixel pair to pixel pair) and
// Y = 2 * (i >> 9) + (i & 1).
TEST(Exhaustive, EveryYuvTripleMatchesTheFormulaInEveryVariantAndEncoding)
{
    const auto variants = AvailableVariants();
    ASSERT_GE(variants.size(), 2u);
    constexpr int count = 65536;
    std::vector<std::uint32_t> expected(count);
    std::vector<std::uint8_t> yuy2(2 * count), yvyu(2 * count), uyvy(2 * count), luma(count), chroma(count),
        row(4 * count);
    long long checked = 0;
    for (const YuvEncoding encoding : AllEncodings)
    {
        const TextbookFactors textbook = Textbook(encoding);
        const auto& factors = Common::Convert::GetYuvKernelFactors(encoding);
        for (int u = 0; u < 256; ++u)
        {
            for (int i = 0; i < count; ++i)
            {
                const int v = (i >> 1) & 255;
                const int y = 2 * (i >> 9) + (i & 1);
                expected[i] = FormulaPixel(y, u, v, textbook);
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
                const std::pair<SourceLayout, const std::uint8_t*> packed[] = {
                    {SourceLayout::YUY2, yuy2.data()},
                    {SourceLayout::YVYU, yvyu.data()},
                    {SourceLayout::UYVY, uyvy.data()}};
                for (const auto& [layout, source] : packed)
                {
                    std::fill(row.begin(), row.end(), 0x5A);
                    kernels->packed[static_cast<int>(layout)](source, row.data(), count, factors);
                    ASSERT_TRUE(SameRow(expected, row, *kernels, layout, encoding, u));
                }
                std::fill(row.begin(), row.end(), 0x5A);
                kernels->nv12(luma.data(), chroma.data(), row.data(), count, factors);
                ASSERT_TRUE(SameRow(expected, row, *kernels, SourceLayout::NV12, encoding, u));
                checked += 4 * count;
            }
        }
    }
    EXPECT_EQ(checked, 4LL * 4LL * (1LL << 24) * static_cast<long long>(variants.size()));
}

// The integer factors are the textbook ones: each is the matrix's
// coefficient times 256 rounded, so no converted value strays from the
// exact real-valued conversion by more than the rounding allows.
TEST(Exhaustive, FactorsOfEveryEncodingAreTheTextbookOnes)
{
    for (const YuvEncoding encoding : AllEncodings)
    {
        const auto& f = Common::Convert::GetYuvKernelFactors(encoding).formula;
        const TextbookFactors t = Textbook(encoding);
        EXPECT_EQ(f.lumaOffset, t.lumaOffset) << EncodingName(encoding);
        EXPECT_EQ(f.luma, t.luma) << EncodingName(encoding);
        EXPECT_EQ(f.vToRed, t.vToRed) << EncodingName(encoding);
        EXPECT_EQ(f.uToGreen, t.uToGreen) << EncodingName(encoding);
        EXPECT_EQ(f.vToGreen, t.vToGreen) << EncodingName(encoding);
        EXPECT_EQ(f.uToBlue, t.uToBlue) << EncodingName(encoding);
    }
    // A source that says nothing keeps the conversion it always had.
    const auto& standard = Common::Convert::GetYuvKernelFactors(YuvEncoding{}).formula;
    EXPECT_EQ(standard.luma, 298);
    EXPECT_EQ(standard.vToRed, 409);
    EXPECT_EQ(standard.uToGreen, -100);
    EXPECT_EQ(standard.vToGreen, -208);
    EXPECT_EQ(standard.uToBlue, 516);
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
            kernels->packed[static_cast<int>(layout)](words.data(), row.data(), 65536,
                                                      Common::Convert::Bt601StudioFactors);
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
        kernels->packed[static_cast<int>(SourceLayout::RGB8)](grey.data(), row.data(), 256,
                                                              Common::Convert::Bt601StudioFactors);
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
        YuvEncoding encoding;
        int y, u, v;
        std::uint32_t bgra;
    };
    constexpr YuvEncoding bt601{};
    constexpr YuvEncoding bt709{YuvMatrix::Bt709, YuvRange::Studio};
    constexpr YuvEncoding full601{YuvMatrix::Bt601, YuvRange::Full};
    constexpr YuvEncoding full709{YuvMatrix::Bt709, YuvRange::Full};
    const Case cases[] = {
        {bt601, 16, 128, 128, 0xFF000000u},
        {bt601, 235, 128, 128, 0xFFFFFFFFu},
        {bt601, 128, 128, 128, 0xFF828282u},
        {bt601, 126, 128, 128, 0xFF808080u},
        {bt601, 81, 90, 240, 0xFFFF0000u},
        {bt601, 41, 240, 110, 0xFF0000FFu},
        {bt601, 145, 54, 34, 0xFF00FF01u},
        {bt601, 0, 128, 128, 0xFF000000u},
        {bt601, 255, 128, 128, 0xFFFFFFFFu},
        // BT.709's primaries; read as BT.601 they would be off by up to 21.
        {bt709, 63, 102, 240, 0xFFFF0100u},
        {bt709, 173, 42, 26, 0xFF00FF01u},
        {bt709, 32, 240, 118, 0xFF0100FFu},
        {bt709, 16, 128, 128, 0xFF000000u},
        // Full range keeps the ends: 16 is dark grey, not black.
        {full601, 0, 128, 128, 0xFF000000u},
        {full601, 255, 128, 128, 0xFFFFFFFFu},
        {full601, 16, 128, 128, 0xFF101010u},
        {full601, 235, 128, 128, 0xFFEBEBEBu},
        {full601, 150, 44, 21, 0xFF00FF01u},
        {full709, 182, 30, 12, 0xFF00FF00u},
    };
    for (const RowKernels* kernels : AvailableVariants())
    {
        for (const Case& c : cases)
        {
            std::uint8_t source[4] = {static_cast<std::uint8_t>(c.y), static_cast<std::uint8_t>(c.u),
                                      static_cast<std::uint8_t>(c.y), static_cast<std::uint8_t>(c.v)};
            std::uint32_t out[2] = {};
            Common::Convert::ConvertToBgra(
                *kernels,
                Common::Convert::SourceImage{SourceLayout::YUY2, source, 2, 1, 4, nullptr, c.encoding},
                BgraImage{reinterpret_cast<std::uint8_t*>(out), 2, 1, 8});
            EXPECT_EQ(out[0], c.bgra) << kernels->name << " " << EncodingName(c.encoding) << " Y=" << c.y
                                      << " U=" << c.u << " V=" << c.v;
            EXPECT_EQ(out[1], c.bgra) << kernels->name;
        }
    }
}

} // namespace
} // namespace ConvertTests
