// DirectShowFrameFormat from hand-made media types: sizes, row order, frame
// rate, the format blocks it must refuse, and the subtype names.
#include "Common/capture/directshow/DirectShowFrameFormat.h"
#include "Common/capture/directshow/DirectShowSubtypeNames.h"

#include <amvideo.h>
#include <uuids.h>

#include <gtest/gtest.h>

#include <cstring>

using Common::DirectShowMediaType;
using Format = Common::DirectShowVideoCapture::DirectShowFrameFormat;

namespace
{

// A task-allocated media type with a VIDEOINFOHEADER block of `blockBytes`
// bytes (a full header is 88).
DirectShowMediaType MakeVideoInfo(const GUID& subtype, LONG width, LONG height, REFERENCE_TIME interval,
                                  ULONG blockBytes = sizeof(VIDEOINFOHEADER))
{
    auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    DirectShowMediaType owner(type);
    std::memset(type, 0, sizeof(*type));
    type->majortype = MEDIATYPE_Video;
    type->subtype = subtype;
    type->formattype = FORMAT_VideoInfo;
    VIDEOINFOHEADER header = {};
    header.AvgTimePerFrame = interval;
    header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    header.bmiHeader.biWidth = width;
    header.bmiHeader.biHeight = height;
    type->cbFormat = blockBytes;
    type->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(blockBytes));
    std::memcpy(type->pbFormat, &header, std::min<std::size_t>(blockBytes, sizeof(header)));
    return owner;
}

constexpr GUID Nv12 = {0x3231564E, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

} // namespace

// Bitmap height > 0 is bottom-up (negative stride); 4 bytes a pixel, as the
// grabber delivers ARGB32 whatever the source; an interval of 0 is 1 fps.
TEST(DirectShowFrameFormat, SizeStrideAndRateFromTheVideoInfoHeaderAndUnusableOnes)
{
    const struct
    {
        GUID subtype;
        LONG height;
        REFERENCE_TIME interval;
        int stride;
        const wchar_t* name;
    } cases[] = {
        {MEDIASUBTYPE_YUY2, 480, 333333, -2560, L"YUY2 640x480 (30fps)"},
        {MEDIASUBTYPE_RGB32, -480, 666666, 2560, L"RGB32 640x480 (15fps)"},
        {MEDIASUBTYPE_RGB24, 480, 0, -2560, L"RGB24 640x480 (1fps)"},
        {MEDIASUBTYPE_RGB24, 480, 333667, -2560, L"RGB24 640x480 (29.97fps)"},
    };
    for (const auto& c : cases)
    {
        const Format format(MakeVideoInfo(c.subtype, 640, c.height, c.interval));
        EXPECT_EQ(format.GetName(), c.name);
        EXPECT_EQ(format.height, 480);
        EXPECT_EQ(format.stride, c.stride) << testing::PrintToString(c.name);
        EXPECT_TRUE(format.IsUsable());
    }
    // A negative interval is no frame rate at all; empty or absurd sizes are no image.
    // (The listing test's broken camera brings a zero width and a VIDEOINFOHEADER2.)
    EXPECT_FALSE(Format(MakeVideoInfo(MEDIASUBTYPE_RGB24, 320, 240, -5)).IsUsable());
    EXPECT_FALSE(Format(MakeVideoInfo(MEDIASUBTYPE_RGB32, 640, 0, 333333)).IsUsable());
    EXPECT_FALSE(Format(MakeVideoInfo(MEDIASUBTYPE_RGB32, -640, 480, 333333)).IsUsable());
    EXPECT_FALSE(Format(MakeVideoInfo(MEDIASUBTYPE_RGB32, 640, -2147483647 - 1, 333333)).IsUsable());
    EXPECT_FALSE(Format(MakeVideoInfo(MEDIASUBTYPE_RGB32, 0x40000000, 2, 333333)).IsUsable());
}

TEST(DirectShowFrameFormat, BlocksThatAreNotALongEnoughVideoInfoHeaderAreRefused)
{
    // The fields read end at byte 60 (the bitmap height).
    EXPECT_FALSE(Format::HasVideoInfo(*MakeVideoInfo(MEDIASUBTYPE_RGB32, 640, 480, 333333, 59).Get()));
    EXPECT_THROW(Format(MakeVideoInfo(MEDIASUBTYPE_RGB32, 640, 480, 333333, 59)), Common::Exception);
    EXPECT_TRUE(Format::HasVideoInfo(*MakeVideoInfo(MEDIASUBTYPE_RGB32, 640, 480, 333333, 60).Get()));
    EXPECT_EQ(Format(MakeVideoInfo(MEDIASUBTYPE_RGB32, 640, 480, 333333, 60)).height, 480);

    DirectShowMediaType noBlock = MakeVideoInfo(MEDIASUBTYPE_RGB32, 640, 480, 333333);
    CoTaskMemFree(noBlock->pbFormat);
    noBlock->pbFormat = nullptr;
    EXPECT_FALSE(Format::HasVideoInfo(*noBlock.Get()));
    EXPECT_THROW(Format{DirectShowMediaType()}, Common::Exception);
}

TEST(DirectShowSubtypeNames, FourCcAndDirectShowSubtypes)
{
    EXPECT_STREQ(Common::GetDirectShowSubtypeName(Nv12), L"NV12");
    EXPECT_STREQ(Common::GetDirectShowSubtypeName(MEDIASUBTYPE_YUY2), L"YUY2");
    // "Plum" is case-sensitive: the FOURCC of "PLUM" is another subtype.
    EXPECT_STREQ(Common::GetDirectShowSubtypeName(
                     {0x6D756C50, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}}),
                 L"Plum");
    EXPECT_STREQ(Common::GetDirectShowSubtypeName(
                     {0x4D554C50, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}}),
                 L"Unknown");
    EXPECT_STREQ(Common::GetDirectShowSubtypeName(GUID_NULL), L"Unknown");
}
