// The backend-neutral capture model: format display names (the persisted
// identity of a format), the duplicate rule, frame sizing and the sink.
#include "Common/capture/FormatList.h"
#include "support/FakeCapture.h"

#include <gtest/gtest.h>

#include <cstring>

using TestSupport::FakeDevice;
using TestSupport::FakeFrameFormat;

TEST(FrameFormatName, FollowsTheStreamsDefaultNotation)
{
    EXPECT_EQ(FakeFrameFormat(L"YUY2", 640, 480, 30.0).GetName(), L"YUY2 640x480 (30fps)");
    EXPECT_EQ(FakeFrameFormat(L"NV12", 1920, 1080, 15.0).GetName(), L"NV12 1920x1080 (15fps)");
    EXPECT_EQ(FakeFrameFormat(L"MJPG", 1280, 720, 30000.0 / 1001.0).GetName(), L"MJPG 1280x720 (29.97fps)");
    EXPECT_EQ(FakeFrameFormat(L"RGB24", 320, 240, 1.0 / 3.0).GetName(), L"RGB24 320x240 (0.333333fps)");
    EXPECT_EQ(FakeFrameFormat(L"RGB8", 8, 8, 7.5).GetName(), L"RGB8 8x8 (7.5fps)");
    EXPECT_EQ(FakeFrameFormat(L"Unknown", 1, 1, 1e7).GetName(), L"Unknown 1x1 (1e+07fps)");
    EXPECT_EQ(FakeFrameFormat(L"Unknown", 1, 1, 0.0).GetName(), L"Unknown 1x1 (0fps)");
}

TEST(FrameFormatDuplicates, SubtypeSizeAndExactRateMustAllMatch)
{
    FakeFrameFormat a(L"YUY2", 640, 480, 30.0);
    FakeFrameFormat b(L"YUY2", 640, 480, 30.0);
    EXPECT_TRUE(a.IsDuplicateOf(b));
    b.frameRate = 30000.0 / 1001.0;
    EXPECT_FALSE(a.IsDuplicateOf(b)) << "formats differing only in frame rate are distinct";
    b.frameRate = 30.0;
    b.subtype.Data1 = 1;
    EXPECT_FALSE(a.IsDuplicateOf(b));
    b.subtype = a.subtype;
    b.height = 481;
    EXPECT_FALSE(a.IsDuplicateOf(b));
}

TEST(FrameFormatDuplicates, AddFrameFormatKeepsOrReplacesInPlace)
{
    std::vector<std::shared_ptr<Common::FrameFormat>> formats;
    auto first = std::make_shared<FakeFrameFormat>(L"A", 640, 480, 30.0);
    auto other = std::make_shared<FakeFrameFormat>(L"A", 320, 240, 30.0);
    auto duplicate = std::make_shared<FakeFrameFormat>(L"A", 640, 480, 30.0);
    Common::AddFrameFormat(formats, first, false);
    Common::AddFrameFormat(formats, other, false);
    Common::AddFrameFormat(formats, duplicate, false);
    ASSERT_EQ(formats.size(), 2u);
    EXPECT_EQ(formats[0], first) << "without a preference the first of a group stays";

    Common::AddFrameFormat(formats, duplicate, false, [](const auto&, const auto&) { return true; });
    ASSERT_EQ(formats.size(), 2u);
    EXPECT_EQ(formats[0], duplicate) << "a preferred duplicate takes the kept one's place";
    EXPECT_EQ(formats[1], other);

    Common::AddFrameFormat(formats, first, true);
    EXPECT_EQ(formats.size(), 3u) << "duplicates allowed: every format is listed";
}

namespace
{
std::uint32_t PixelAt(const Common::FrameBuffer& frame, std::size_t index)
{
    std::uint32_t value;
    std::memcpy(&value, frame.pixels.data() + index * 4, 4);
    return value;
}
} // namespace

TEST(DeviceFrame, IsSizedForTheSelectedFormatAndOpaqueBlack)
{
    FakeDevice device(L"cam", L"path",
                      {{L"YUY2", 640, 480, 30.0}, {L"YUY2", 640, 480, 15.0}, {L"NV12", 2, 2, 30}});
    EXPECT_EQ(device.frame.width, 640);
    EXPECT_EQ(device.frame.height, 480);
    EXPECT_EQ(device.frame.stride, 2560);
    ASSERT_EQ(device.frame.pixels.size(), 1228800u);
    for (std::size_t i = 0; i < 640 * 480; ++i)
    {
        ASSERT_EQ(PixelAt(device.frame, i), 0xFF000000u) << "pixel " << i;
    }

    device.DeliverFrame(0x11223344);
    device.selectedFormatIndex = 1;
    device.ApplyFrameFormat();
    EXPECT_EQ(PixelAt(device.frame, 1000), 0x11223344u) << "same size keeps the previous image";

    device.selectedFormatIndex = 2;
    device.ApplyFrameFormat();
    ASSERT_EQ(device.frame.pixels.size(), 16u);
    EXPECT_EQ(device.frame.stride, 8);
    for (std::size_t i = 0; i < 4; ++i)
    {
        EXPECT_EQ(PixelAt(device.frame, i), 0xFF000000u) << "a new size resets to opaque black";
    }
}

namespace
{
struct SinkLog
{
    int frames = 0;
    int errors = 0;
    std::uint32_t firstPixel = 0;
    static void OnFrame(Common::Device&, void* context, const Common::FrameBuffer& frame)
    {
        auto* log = static_cast<SinkLog*>(context);
        ++log->frames;
        log->firstPixel = PixelAt(frame, 0);
    }
    static void OnError(Common::Device&, void* context, const Common::Exception&)
    {
        ++static_cast<SinkLog*>(context)->errors;
    }
};
} // namespace

TEST(DeviceSink, DeliversOnlyWhileRegistered)
{
    FakeDevice device(L"cam", L"path", {{L"RGB32", 4, 4, 30.0}});
    SinkLog log;
    device.DeliverFrame(0xFF0000FF);
    EXPECT_EQ(PixelAt(device.frame, 0), 0xFF0000FFu) << "frames are converted without a sink";

    EXPECT_TRUE(device.RegisterSink(&log, &SinkLog::OnFrame, &SinkLog::OnError));
    EXPECT_FALSE(device.RegisterSink(&log, &SinkLog::OnFrame, &SinkLog::OnError))
        << "same sink: nothing stored";
    device.DeliverFrame(0xFF00FF00);
    device.DeliverError(Common::Exception(L"x", L"u", 1));
    EXPECT_EQ(log.frames, 1);
    EXPECT_EQ(log.errors, 1);
    EXPECT_EQ(log.firstPixel, 0xFF00FF00u);

    EXPECT_TRUE(device.RegisterSink(&log, &SinkLog::OnFrame, nullptr));
    device.DeliverError(Common::Exception(L"x", L"u", 1));
    EXPECT_EQ(log.errors, 1) << "a null callback is never called";

    device.ClearSink();
    device.DeliverFrame(0);
    EXPECT_EQ(log.frames, 1);
}
