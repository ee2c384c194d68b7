// DirectShowFrameFormat from hand-made media types: sizes, row order, frame
// rate, both kinds of video info block and the ones it must refuse, which
// subtypes are listed, and the subtype names.
#include "Common/capture/directshow/DirectShowFrameFormat.h"
#include "Common/capture/directshow/DirectShowSubtypeNames.h"

#include <amvideo.h>
#include <dvdmedia.h>
#include <uuids.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <type_traits>

using Common::DirectShowMediaType;
using Format = Common::DirectShowVideoCapture::DirectShowFrameFormat;

namespace
{

// A task-allocated media type with a video info block of `blockBytes` bytes
// (a full VIDEOINFOHEADER is 88, a full VIDEOINFOHEADER2 112).
template <class Header = VIDEOINFOHEADER>
DirectShowMediaType MakeVideoInfo(const GUID& subtype, LONG width, LONG height, REFERENCE_TIME interval,
                                  ULONG blockBytes = sizeof(Header))
{
    auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    DirectShowMediaType owner(type);
    std::memset(type, 0, sizeof(*type));
    type->majortype = MEDIATYPE_Video;
    type->subtype = subtype;
    type->formattype = std::is_same_v<Header, VIDEOINFOHEADER> ? FORMAT_VideoInfo : FORMAT_VideoInfo2;
    Header header = {};
    header.AvgTimePerFrame = interval;
    header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    header.bmiHeader.biWidth = width;
    header.bmiHeader.biHeight = height;
    type->cbFormat = blockBytes;
    type->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(blockBytes));
    std::memcpy(type->pbFormat, &header, std::min<std::size_t>(blockBytes, sizeof(header)));
    return owner;
}

constexpr GUID FourCc(DWORD code)
{
    return {code, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
}
constexpr GUID Nv12 = FourCc(0x3231564E);
constexpr GUID I420 = FourCc(0x30323449);
constexpr GUID H264 = FourCc(0x34363248);

} // namespace

// The rows as the device sends them: RGB padded to 4 bytes, bottom-up for a
// positive bitmap height; YUV top-down whatever the sign; a subtype the
// platform converts as its ARGB32. An interval of 0 is 1 fps. Either kind of
// video info block gives the same format.
TEST(DirectShowFrameFormat, SizeStrideAndRateFromTheVideoInfoHeaderAndUnusableOnes)
{
    const struct
    {
        GUID subtype;
        LONG width;
        LONG height;
        REFERENCE_TIME interval;
        int stride;
        const wchar_t* name;
    } cases[] = {
        {MEDIASUBTYPE_YUY2, 640, 480, 333333, 1280, L"YUY2 640x480 (30fps)"},
        {MEDIASUBTYPE_UYVY, 641, -480, 333333, 1284, L"UYVY 641x480 (30fps)"},
        {Nv12, 640, 480, 333333, 640, L"NV12 640x480 (30fps)"},
        {MEDIASUBTYPE_RGB32, 640, -480, 666666, 2560, L"RGB32 640x480 (15fps)"},
        {MEDIASUBTYPE_RGB24, 641, 480, 0, -1924, L"RGB24 641x480 (1fps)"},
        {MEDIASUBTYPE_RGB565, 640, 480, 333667, -1280, L"RGB565 640x480 (29.97fps)"},
        {I420, 640, 480, 333333, -2560, L"Unknown 640x480 (30fps)"},
    };
    for (const auto& c : cases)
    {
        for (const bool second : {false, true})
        {
            const Format format(
                second ? MakeVideoInfo<VIDEOINFOHEADER2>(c.subtype, c.width, c.height, c.interval)
                       : MakeVideoInfo(c.subtype, c.width, c.height, c.interval));
            EXPECT_EQ(format.GetName(), c.name);
            EXPECT_EQ(format.height, 480);
            EXPECT_EQ(format.stride, c.stride) << testing::PrintToString(c.name);
            EXPECT_TRUE(format.IsUsable());
        }
    }
    // Nothing here or in the platform converts H264 to a picture: not listed.
    EXPECT_FALSE(Format(MakeVideoInfo(H264, 1920, 1080, 333333)).IsUsable());
    // A negative interval is no frame rate at all; empty or absurd sizes are no image.
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
    // In a VIDEOINFOHEADER2 the bitmap header starts at byte 72.
    EXPECT_FALSE(Format::HasVideoInfo(
        *MakeVideoInfo<VIDEOINFOHEADER2>(MEDIASUBTYPE_RGB32, 640, 480, 333333, 83).Get()));
    EXPECT_EQ(Format(MakeVideoInfo<VIDEOINFOHEADER2>(MEDIASUBTYPE_RGB32, 640, 480, 333333, 84)).height, 480);

    DirectShowMediaType noBlock = MakeVideoInfo(MEDIASUBTYPE_RGB32, 640, 480, 333333);
    CoTaskMemFree(noBlock->pbFormat);
    noBlock->pbFormat = nullptr;
    EXPECT_FALSE(Format::HasVideoInfo(*noBlock.Get()));
    EXPECT_THROW(Format{DirectShowMediaType()}, Common::Exception);
}

// A VIDEOINFOHEADER2 may state the YUV matrix and nominal range in its
// control flags (bits 12-14 the range, 15-17 the matrix); only with
// AMCONTROL_COLORINFO_PRESENT do they count, and only BT.709 and 0-255 change
// the conversion from BT.601 studio range.
TEST(DirectShowFrameFormat, YuvColourFromTheControlFlagsOfAVideoInfoHeader2)
{
    using Common::Convert::YuvEncoding;
    using Common::Convert::YuvMatrix;
    using Common::Convert::YuvRange;
    constexpr DWORD stated = AMCONTROL_USED | AMCONTROL_COLORINFO_PRESENT;
    const struct
    {
        DWORD flags;
        YuvEncoding encoding;
    } cases[] = {
        {stated | 1u << 15 | 2u << 12, {YuvMatrix::Bt709, YuvRange::Studio}},
        {stated | 2u << 15 | 1u << 12, {YuvMatrix::Bt601, YuvRange::Full}},
        {stated | 1u << 15 | 1u << 12, {YuvMatrix::Bt709, YuvRange::Full}},
        {stated | 3u << 15 | 3u << 12, {}}, // SMPTE 240M, 48-208: not converted otherwise
        {AMCONTROL_USED | 1u << 15 | 1u << 12, {}},
    };
    for (const auto& c : cases)
    {
        DirectShowMediaType type = MakeVideoInfo<VIDEOINFOHEADER2>(MEDIASUBTYPE_YUY2, 640, 480, 333333);
        reinterpret_cast<VIDEOINFOHEADER2*>(type->pbFormat)->dwControlFlags = c.flags;
        EXPECT_EQ(Format(std::move(type)).yuvEncoding, c.encoding) << std::hex << c.flags;
    }
    // A VIDEOINFOHEADER has no such field: its bytes there belong to the bitmap header.
    DirectShowMediaType plain = MakeVideoInfo(MEDIASUBTYPE_YUY2, 640, 480, 333333);
    const DWORD fullBt709 = stated | 1u << 15 | 1u << 12;
    std::memcpy(plain->pbFormat + offsetof(VIDEOINFOHEADER2, dwControlFlags), &fullBt709, sizeof fullBt709);
    EXPECT_EQ(Format(std::move(plain)).yuvEncoding, YuvEncoding{});
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
