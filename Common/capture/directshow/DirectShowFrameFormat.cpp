#include "Common/capture/directshow/DirectShowFrameFormat.h"

#include "Common/capture/directshow/DirectShowSubtypeNames.h"

#include <amvideo.h>
#include <uuids.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace Common
{
namespace
{

// The last byte read from the block: the end of the bitmap height.
constexpr std::size_t VideoInfoBytesRead =
    offsetof(VIDEOINFOHEADER, bmiHeader) + offsetof(BITMAPINFOHEADER, biHeight) + sizeof(LONG);
static_assert(VideoInfoBytesRead == 60);

} // namespace

DirectShowVideoCapture::DirectShowFrameFormat::DirectShowFrameFormat(DirectShowMediaType type)
    : mediaType(std::move(type))
{
    if (!mediaType || !HasVideoInfo(*mediaType.Get()))
    {
        throw Exception(L"フレームフォーマットの情報が不完全です。");
    }
    subtype = mediaType->subtype;

    REFERENCE_TIME interval = 0;
    LONG bitmapWidth = 0;
    LONG bitmapHeight = 0;
    std::memcpy(&interval, mediaType->pbFormat + offsetof(VIDEOINFOHEADER, AvgTimePerFrame),
                sizeof(interval));
    std::memcpy(&bitmapWidth,
                mediaType->pbFormat + offsetof(VIDEOINFOHEADER, bmiHeader) +
                    offsetof(BITMAPINFOHEADER, biWidth),
                sizeof(bitmapWidth));
    std::memcpy(&bitmapHeight,
                mediaType->pbFormat + offsetof(VIDEOINFOHEADER, bmiHeader) +
                    offsetof(BITMAPINFOHEADER, biHeight),
                sizeof(bitmapHeight));

    width = bitmapWidth;
    height =
        bitmapHeight < 0 ? (bitmapHeight < -MaximumSide ? MaximumSide + 1 : -bitmapHeight) : bitmapHeight;
    // The grabber delivers ARGB32, 4 bytes a pixel; a positive bitmap height
    // means bottom-up rows.
    const std::int64_t rowBytes = static_cast<std::int64_t>(width) * 4;
    stride = static_cast<std::int32_t>(bitmapHeight > 0 ? -rowBytes : rowBytes);
    frameRate = 10'000'000.0 / static_cast<double>(interval == 0 ? 10'000'000 : interval);
}

const wchar_t* DirectShowVideoCapture::DirectShowFrameFormat::GetSubtypeName() const
{
    return GetDirectShowSubtypeName(subtype);
}

bool DirectShowVideoCapture::DirectShowFrameFormat::HasVideoInfo(const AM_MEDIA_TYPE& type)
{
    return type.formattype == FORMAT_VideoInfo && type.pbFormat != nullptr &&
           type.cbFormat >= VideoInfoBytesRead;
}

bool DirectShowVideoCapture::DirectShowFrameFormat::IsUsable() const
{
    return width > 0 && height > 0 && IsWithinSizeLimit() && frameRate > 0.0;
}

} // namespace Common
