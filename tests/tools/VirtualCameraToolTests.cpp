// The virtual camera's pattern and the probe's statistics: the painted
// pattern reads back upright only, from the RGB layouts (also those no filter
// under Wine converts), and the probe counts gaps and repeats. (The camera's
// formats are listed and chosen through the backend in the DirectShow suite.)
#include "tools/VirtualCamera/CameraFormat.h"
#include "tools/VirtualCamera/FramePainter.h"
#include "tools/VirtualCamera/TestPattern.h"
#include "tools/capture-probe/FrameStatistics.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using VirtualCamera::CameraFormat;
using VirtualCamera::FramePainter;
using VirtualCamera::TestPattern;

namespace
{

// What a decoder makes of a painted RGB sample: a top-down image, blue,
// green, red, alpha.
std::vector<std::uint8_t> ToTopDownBgra(const CameraFormat& format, const std::vector<std::uint8_t>& sample)
{
    const int width = format.GetWidth();
    const int height = format.GetHeight();
    const std::size_t bytes = format.GetLayout() == CameraFormat::Layout::RGB24 ? 3 : 4;
    std::vector<std::uint8_t> image(static_cast<std::size_t>(width) * height * 4, 0xFF); // RGB24: opaque
    for (int y = 0; y < height; ++y)
    {
        const int memoryRow = format.IsTopDown() ? y : height - 1 - y;
        const std::uint8_t* row = sample.data() + static_cast<std::size_t>(memoryRow) * format.GetRowBytes();
        std::uint8_t* out = image.data() + static_cast<std::size_t>(y) * width * 4;
        for (int x = 0; x < width; ++x)
        {
            std::memcpy(out + x * 4, row + x * bytes, bytes);
        }
    }
    return image;
}

void ExpectCounterReadsBack(const CameraFormat& format, std::uint32_t counter)
{
    SCOPED_TRACE(testing::Message() << "layout " << static_cast<int>(format.GetLayout()) << " "
                                    << format.GetWidth() << "x" << format.GetHeight() << " counter "
                                    << counter);
    FramePainter painter(format);
    std::vector<std::uint8_t> sample(static_cast<std::size_t>(format.GetImageBytes()), 0xCD);
    painter.Paint(sample.data(), counter);
    const std::vector<std::uint8_t> image = ToTopDownBgra(format, sample);
    const int width = format.GetWidth();
    const int height = format.GetHeight();
    EXPECT_EQ(TestPattern::Decode(image.data(), width, height, width * 4), counter);

    // Upside down it must not read.
    EXPECT_FALSE(
        TestPattern::Decode(image.data() + std::size_t(height - 1) * width * 4, width, height, -width * 4)
            .has_value());
}

} // namespace

TEST(VirtualCameraPattern, CounterReadsBackUprightFromEveryRgbLayout)
{
    // (YUY2 is read back through the platform's decoder where one connects:
    // the DirectShow suite on Windows.)
    for (const auto layout :
         {CameraFormat::Layout::ARGB32, CameraFormat::Layout::RGB32, CameraFormat::Layout::RGB24})
    {
        for (const bool topDown : {false, true})
        {
            // 638 pixels of RGB24 need row padding; 640x480 is the usual size.
            ExpectCounterReadsBack(CameraFormat(layout, 640, 480, topDown, 30), 0x80000001u);
            ExpectCounterReadsBack(CameraFormat(layout, 638, 360, topDown, 30), 12345u);
        }
    }
}

TEST(CaptureProbeStatistics, CountsGapsRepeatsAndUnreadableFrames)
{
    Common::FrameBuffer frame;
    frame.Resize(320, 240);
    FramePainter painter(CameraFormat(CameraFormat::Layout::ARGB32, 320, 240, true, 30));
    FrameStatistics statistics;
    for (const std::uint32_t counter : {10u, 11u, 12u, 15u, 15u, 16u, 14u, 17u})
    {
        painter.Paint(frame.pixels.data(), counter);
        statistics.Add(frame);
    }
    frame.Resize(320, 240); // black: no pattern
    statistics.Add(frame);
    EXPECT_EQ(statistics.GetFrames(), 9u);
    EXPECT_EQ(statistics.GetGaps(), 2u);    // 13 and 14 missing after 12
    EXPECT_EQ(statistics.GetRepeats(), 2u); // 15 again, then 14 after 16
    EXPECT_EQ(statistics.GetUndecodable(), 1u);
}
