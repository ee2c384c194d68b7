// The virtual camera and the probe's statistics: the painted pattern reads
// back from every layout the camera offers (also YUY2, which no filter under
// Wine converts), the camera's COM contract as capture programs use it, and
// the probe's gap and repeat counting.
#include "directshow/VirtualCameraRegistration.h"

#include "Common/ComPointer.h"
#include "Common/capture/directshow/DirectShowMediaType.h"
#include "tools/VirtualCamera/CameraFormat.h"
#include "tools/VirtualCamera/FramePainter.h"
#include "tools/VirtualCamera/TestPattern.h"
#include "tools/VirtualCamera/VirtualCameraIds.h"
#include "tools/capture-probe/FrameStatistics.h"

#include <amvideo.h>
#include <strmif.h>
#include <uuids.h>
#include <vfwmsgs.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using VirtualCamera::CameraFormat;
using VirtualCamera::FramePainter;
using VirtualCamera::TestPattern;

namespace
{

std::uint8_t Clamp(double value)
{
    return static_cast<std::uint8_t>(std::clamp(value + 0.5, 0.0, 255.0));
}

// What a decoder makes of a painted sample: a top-down image, blue, green,
// red, alpha. YUY2 is read back with BT.601 limited range.
std::vector<std::uint8_t> ToTopDownBgra(const CameraFormat& format, const std::vector<std::uint8_t>& sample)
{
    const int width = format.GetWidth();
    const int height = format.GetHeight();
    std::vector<std::uint8_t> image(static_cast<std::size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y)
    {
        const int memoryRow = format.IsTopDown() ? y : height - 1 - y;
        const std::uint8_t* row = sample.data() + static_cast<std::size_t>(memoryRow) * format.GetRowBytes();
        std::uint8_t* out = image.data() + static_cast<std::size_t>(y) * width * 4;
        for (int x = 0; x < width; ++x)
        {
            std::uint8_t* pixel = out + x * 4;
            switch (format.GetLayout())
            {
            case CameraFormat::Layout::RGB24:
                std::memcpy(pixel, row + x * 3, 3);
                pixel[3] = 0xFF;
                break;
            case CameraFormat::Layout::YUY2:
            {
                const std::uint8_t* pair = row + (x / 2) * 4;
                const double c = 1.164 * (pair[(x % 2) * 2] - 16);
                const double d = pair[1] - 128;
                const double e = pair[3] - 128;
                pixel[0] = Clamp(c + 2.018 * d);
                pixel[1] = Clamp(c - 0.391 * d - 0.813 * e);
                pixel[2] = Clamp(c + 1.596 * e);
                pixel[3] = 0xFF;
                break;
            }
            default:
                std::memcpy(pixel, row + x * 4, 4);
                break;
            }
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
    std::vector<std::uint8_t> flipped(image.size());
    for (int y = 0; y < height; ++y)
    {
        std::memcpy(flipped.data() + static_cast<std::size_t>(y) * width * 4,
                    image.data() + static_cast<std::size_t>(height - 1 - y) * width * 4,
                    static_cast<std::size_t>(width) * 4);
    }
    EXPECT_FALSE(TestPattern::Decode(flipped.data(), width, height, width * 4).has_value());
}

} // namespace

TEST(VirtualCameraPattern, CounterReadsBackFromEveryLayout)
{
    for (const auto layout : {CameraFormat::Layout::ARGB32, CameraFormat::Layout::RGB32,
                              CameraFormat::Layout::RGB24, CameraFormat::Layout::YUY2})
    {
        for (const bool topDown : {false, true})
        {
            // 638 pixels of RGB24 need row padding; 640x480 is the usual size.
            ExpectCounterReadsBack(CameraFormat(layout, 640, 480, topDown, 30), 0x80000001u);
            ExpectCounterReadsBack(CameraFormat(layout, 638, 360, topDown, 30), 12345u);
        }
    }
}

TEST(VirtualCameraPattern, BarsMoveFromFrameToFrame)
{
    const CameraFormat format(CameraFormat::Layout::ARGB32, 640, 480, true, 30);
    FramePainter painter(format);
    std::vector<std::uint8_t> first(static_cast<std::size_t>(format.GetImageBytes()));
    std::vector<std::uint8_t> second(first.size());
    painter.Paint(first.data(), 7);
    painter.Paint(second.data(), 8);
    const std::size_t middleRow = 240u * 640u * 4u;
    EXPECT_NE(std::memcmp(first.data() + middleRow, second.data() + middleRow, 640 * 4), 0);
    // The bars of frame 8 are those of frame 7 moved 8 pixels to the left.
    EXPECT_EQ(std::memcmp(first.data() + middleRow + 8 * 4, second.data() + middleRow, 600 * 4), 0);
}

TEST(CaptureProbeStatistics, CountsGapsRepeatsAndUnreadableFrames)
{
    Common::FrameBuffer frame;
    frame.Resize(320, 240);
    const auto paint = [&frame](std::uint32_t counter)
    {
        for (int y = 0; y < frame.height; ++y)
        {
            for (int x = 0; x < frame.width; ++x)
            {
                const std::uint32_t pixel = TestPattern::Pixel(x, y, frame.width, frame.height, counter);
                std::memcpy(frame.pixels.data() + y * frame.stride + x * 4, &pixel, 4);
            }
        }
    };
    FrameStatistics statistics;
    for (const std::uint32_t counter : {10u, 11u, 12u, 15u, 15u, 16u, 14u, 17u})
    {
        paint(counter);
        statistics.Add(frame);
    }
    frame.Resize(320, 240); // black: no pattern
    statistics.Add(frame);
    EXPECT_EQ(statistics.GetFrames(), 9u);
    EXPECT_EQ(statistics.GetGaps(), 2u);    // 13 and 14 missing after 12
    EXPECT_EQ(statistics.GetRepeats(), 2u); // 15 again, then 14 after 16
    EXPECT_EQ(statistics.GetUndecodable(), 1u);
}

using VirtualCameraFilterContract = VirtualCameraSuite;

TEST_F(VirtualCameraFilterContract, OneCapturePinWithStreamConfig)
{
    Common::ComPointer<IBaseFilter> filter;
    filter.CreateInstance(VirtualCamera::ClassId, CLSCTX_INPROC_SERVER);

    Common::ComPointer<IEnumPins> pins;
    ASSERT_HRESULT_SUCCEEDED(filter->EnumPins(pins.Put()));
    Common::ComPointer<IPin> pin;
    ASSERT_EQ(pins->Next(1, pin.Put(), nullptr), S_OK);
    Common::ComPointer<IPin> second;
    EXPECT_EQ(pins->Next(1, second.Put(), nullptr), S_FALSE);
    PIN_DIRECTION direction = PINDIR_INPUT;
    ASSERT_HRESULT_SUCCEEDED(pin->QueryDirection(&direction));
    EXPECT_EQ(direction, PINDIR_OUTPUT);

    Common::ComPointer<IKsPropertySet> properties;
    ASSERT_HRESULT_SUCCEEDED(pin.QueryInterface(properties));
    GUID category = GUID_NULL;
    DWORD returned = 0;
    ASSERT_HRESULT_SUCCEEDED(properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category,
                                             sizeof(category), &returned));
    EXPECT_EQ(returned, sizeof(GUID));
    EXPECT_TRUE(category == PIN_CATEGORY_CAPTURE);

    Common::ComPointer<IAMStreamConfig> config;
    ASSERT_HRESULT_SUCCEEDED(pin.QueryInterface(config));
    int count = 0;
    int size = 0;
    ASSERT_HRESULT_SUCCEEDED(config->GetNumberOfCapabilities(&count, &size));
    EXPECT_EQ(count, 21);
    EXPECT_EQ(size, static_cast<int>(sizeof(VIDEO_STREAM_CONFIG_CAPS)));
    VIDEO_STREAM_CONFIG_CAPS caps = {};
    AM_MEDIA_TYPE* outOfRange = nullptr;
    EXPECT_EQ(config->GetStreamCaps(count, &outOfRange, reinterpret_cast<BYTE*>(&caps)), S_FALSE);
    EXPECT_EQ(outOfRange, nullptr);

    // A format of the list is taken; a size the camera does not have is refused.
    Common::DirectShowMediaType type;
    ASSERT_HRESULT_SUCCEEDED(config->GetStreamCaps(2, type.Put(), reinterpret_cast<BYTE*>(&caps)));
    EXPECT_EQ(caps.MaxOutputSize.cx, 1280);
    EXPECT_EQ(caps.MinFrameInterval, 333333);
    EXPECT_EQ(pin->QueryAccept(type.Get()), S_OK);
    EXPECT_HRESULT_SUCCEEDED(config->SetFormat(type.Get()));
    reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat)->bmiHeader.biWidth = 1000;
    EXPECT_EQ(config->SetFormat(type.Get()), VFW_E_INVALIDMEDIATYPE);
    EXPECT_EQ(pin->QueryAccept(type.Get()), S_FALSE);

    // Once chosen, the format is the only one offered.
    Common::ComPointer<IEnumMediaTypes> types;
    ASSERT_HRESULT_SUCCEEDED(pin->EnumMediaTypes(types.Put()));
    Common::DirectShowMediaType offered;
    ASSERT_EQ(types->Next(1, offered.Put(), nullptr), S_OK);
    EXPECT_EQ(reinterpret_cast<VIDEOINFOHEADER*>(offered->pbFormat)->bmiHeader.biWidth, 1280);
    Common::DirectShowMediaType more;
    EXPECT_EQ(types->Next(1, more.Put(), nullptr), S_FALSE);
}
