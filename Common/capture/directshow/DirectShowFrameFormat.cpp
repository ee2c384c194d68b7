#include "Common/capture/directshow/DirectShowFrameFormat.h"

#include "Common/capture/directshow/DirectShowSubtypeNames.h"
#include "Common/capture/directshow/DirectShowSubtypes.h"
#include "Common/capture/directshow/DirectShowVideoInfo.h"

#include <cstdint>

namespace Common
{

DirectShowVideoCapture::DirectShowFrameFormat::DirectShowFrameFormat(DirectShowMediaType type)
    : mediaType(std::move(type))
{
    const std::optional<DirectShowVideoInfo> info =
        mediaType ? DirectShowVideoInfo::Read(*mediaType.Get()) : std::nullopt;
    if (!info)
    {
        throw Exception(L"フレームフォーマットの情報が不完全です。");
    }
    subtype = mediaType->subtype;
    width = info->bitmapWidth;
    height = info->bitmapHeight < 0
                 ? (info->bitmapHeight < -MaximumSide ? MaximumSide + 1 : -info->bitmapHeight)
                 : info->bitmapHeight;
    // The rows as the device sends them; the platform's ARGB32 (4 bytes a
    // pixel, bottom-up for a positive height) for subtypes it converts.
    std::int64_t rowStride = info->GetStride(subtype);
    if (rowStride == 0)
    {
        rowStride = static_cast<std::int64_t>(width) * (info->bitmapHeight > 0 ? -4 : 4);
    }
    stride = IsWithinSizeLimit() ? static_cast<std::int32_t>(rowStride) : 0;
    frameRate =
        10'000'000.0 / static_cast<double>(info->frameInterval == 0 ? 10'000'000 : info->frameInterval);
    yuvEncoding = info->yuvEncoding;
}

const wchar_t* DirectShowVideoCapture::DirectShowFrameFormat::GetSubtypeName() const
{
    return GetDirectShowSubtypeName(subtype);
}

bool DirectShowVideoCapture::DirectShowFrameFormat::HasVideoInfo(const AM_MEDIA_TYPE& type)
{
    return DirectShowVideoInfo::Read(type).has_value();
}

bool DirectShowVideoCapture::DirectShowFrameFormat::IsUsable() const
{
    return width > 0 && height > 0 && IsWithinSizeLimit() && frameRate > 0.0 &&
           IsStreamableDirectShowSubtype(subtype);
}

} // namespace Common
