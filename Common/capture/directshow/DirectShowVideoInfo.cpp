#include "Common/capture/directshow/DirectShowVideoInfo.h"

#include "Common/capture/convert/SourceLayout.h"
#include "Common/capture/directshow/DirectShowSubtypes.h"

#include <amvideo.h>
#include <dvdmedia.h>
#include <uuids.h>

#include <cstddef>
#include <cstring>

namespace Common
{
namespace
{

// The fields read end with the bitmap height.
constexpr std::size_t BytesRead(std::size_t bitmapHeaderOffset)
{
    return bitmapHeaderOffset + offsetof(BITMAPINFOHEADER, biHeight) + sizeof(LONG);
}

template <class Header> DirectShowVideoInfo ReadHeader(const BYTE* block)
{
    DirectShowVideoInfo info;
    std::memcpy(&info.frameInterval, block + offsetof(Header, AvgTimePerFrame), sizeof(info.frameInterval));
    const BYTE* bitmap = block + offsetof(Header, bmiHeader);
    LONG width = 0;
    LONG height = 0;
    std::memcpy(&width, bitmap + offsetof(BITMAPINFOHEADER, biWidth), sizeof(width));
    std::memcpy(&height, bitmap + offsetof(BITMAPINFOHEADER, biHeight), sizeof(height));
    info.bitmapWidth = width;
    info.bitmapHeight = height;
    return info;
}

// The colour information a VIDEOINFOHEADER2 may carry in the upper bits of
// its control flags, laid out as the DXVA extended format (whose lowest
// byte the AMCONTROL_ flags take): the nominal range in bits 12-14, the
// transfer matrix in bits 15-17.
constexpr DWORD NominalRangeShift = 12;
constexpr DWORD TransferMatrixShift = 15;
constexpr DWORD FieldMask = 0x7;
constexpr DWORD NominalRangeFull = 1; // 0-255
constexpr DWORD TransferMatrixBt709 = 1;

Convert::YuvEncoding ReadColourInformation(DWORD controlFlags)
{
    Convert::YuvEncoding encoding;
    if ((controlFlags & AMCONTROL_COLORINFO_PRESENT) == 0)
    {
        return encoding;
    }
    if (((controlFlags >> TransferMatrixShift) & FieldMask) == TransferMatrixBt709)
    {
        encoding.matrix = Convert::YuvMatrix::Bt709;
    }
    if (((controlFlags >> NominalRangeShift) & FieldMask) == NominalRangeFull)
    {
        encoding.range = Convert::YuvRange::Full;
    }
    return encoding;
}

} // namespace

std::optional<DirectShowVideoInfo> DirectShowVideoInfo::Read(const AM_MEDIA_TYPE& type)
{
    if (type.pbFormat == nullptr)
    {
        return std::nullopt;
    }
    if (type.formattype == FORMAT_VideoInfo &&
        type.cbFormat >= BytesRead(offsetof(VIDEOINFOHEADER, bmiHeader)))
    {
        return ReadHeader<VIDEOINFOHEADER>(type.pbFormat);
    }
    if (type.formattype == FORMAT_VideoInfo2 &&
        type.cbFormat >= BytesRead(offsetof(VIDEOINFOHEADER2, bmiHeader)))
    {
        DirectShowVideoInfo info = ReadHeader<VIDEOINFOHEADER2>(type.pbFormat);
        DWORD controlFlags = 0;
        std::memcpy(&controlFlags, type.pbFormat + offsetof(VIDEOINFOHEADER2, dwControlFlags),
                    sizeof(controlFlags));
        info.yuvEncoding = ReadColourInformation(controlFlags);
        return info;
    }
    return std::nullopt;
}

std::int64_t DirectShowVideoInfo::GetStride(const GUID& subtype) const
{
    const std::optional<Convert::SourceLayout> layout = GetDirectShowSourceLayout(subtype);
    if (!layout || bitmapWidth < 0)
    {
        return 0;
    }
    const auto rowBytes = static_cast<std::int64_t>(Convert::SourceRowBytes(*layout, bitmapWidth));
    switch (*layout)
    {
    case Convert::SourceLayout::YUY2:
    case Convert::SourceLayout::YVYU:
    case Convert::SourceLayout::UYVY:
        return (rowBytes + 3) & ~std::int64_t{3};
    case Convert::SourceLayout::NV12:
        return rowBytes;
    default:
    {
        const std::int64_t padded = (rowBytes + 3) & ~std::int64_t{3};
        return bitmapHeight > 0 ? -padded : padded;
    }
    }
}

} // namespace Common
