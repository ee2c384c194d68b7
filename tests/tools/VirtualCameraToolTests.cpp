// The virtual camera's pattern and the probe's statistics: the painted
// pattern reads back upright only, and the probe counts gaps and repeats.
// (The camera's formats are listed, chosen and streamed through the backend
// in the DirectShow suite.)
#include "tools/VirtualCamera/CameraFormat.h"
#include "tools/VirtualCamera/FramePainter.h"
#include "tools/VirtualCamera/TestPattern.h"
#include "tools/capture-probe/FrameStatistics.h"

#include <gtest/gtest.h>

#include <vector>

using VirtualCamera::CameraFormat;
using VirtualCamera::FramePainter;
using VirtualCamera::TestPattern;

// The counter reads back from a painted sample in either row order, and
// never from the picture upside down: the DirectShow suite's checks that
// frames arrive upright rest on that.
TEST(VirtualCameraPattern, TheCounterReadsBackOnlyUpright)
{
    for (const bool topDown : {false, true})
    {
        const CameraFormat format(CameraFormat::Layout::ARGB32, 640, 480, topDown, 30);
        std::vector<std::uint8_t> sample(static_cast<std::size_t>(format.GetImageBytes()));
        FramePainter(format).Paint(sample.data(), 0x80000001u);
        const std::uint8_t* lastRow = sample.data() + 479 * 2560;
        const auto asStored = TestPattern::Decode(sample.data(), 640, 480, 2560);
        const auto reversed = TestPattern::Decode(lastRow, 640, 480, -2560);
        EXPECT_EQ(topDown ? asStored : reversed, 0x80000001u) << topDown;
        EXPECT_FALSE((topDown ? reversed : asStored).has_value()) << topDown;
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
