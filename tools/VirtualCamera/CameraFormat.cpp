#include "CameraFormat.h"

#include <amvideo.h>
#include <dvdmedia.h>
#include <uuids.h>

#include <cstring>

namespace VirtualCamera
{
namespace
{

// {34363248-0000-0010-8000-00AA00389B71}: H264's FOURCC, not in the headers.
constexpr GUID SubtypeH264 = {0x34363248, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

// VIDEOINFOHEADER2 control flags that state the colour: the DXVA extended
// format's nominal range (bits 12-14: 1 is 0-255, 2 is 16-235) and transfer
// matrix (bits 15-17: 1 is BT.709, 2 is BT.601) over the AMCONTROL_ flags.
DWORD ControlFlags(CameraFormat::Colour colour)
{
    const auto stated = [](DWORD range, DWORD matrix)
    { return AMCONTROL_USED | AMCONTROL_COLORINFO_PRESENT | (range << 12) | (matrix << 15); };
    switch (colour)
    {
    case CameraFormat::Colour::Bt709Studio:
        return stated(2, 1);
    case CameraFormat::Colour::Bt601Full:
        return stated(1, 2);
    default:
        return 0;
    }
}

} // namespace

CameraFormat::CameraFormat(Layout layout, int width, int height, bool topDown, int framesPerSecond,
                           Block block, Colour colour)
    : layout_(layout), width_(width), height_(height), topDown_(topDown), framesPerSecond_(framesPerSecond),
      block_(block), colour_(block == Block::VideoInfo2 ? colour : Colour::Unstated)
{
}

int CameraFormat::GetRowBytes() const
{
    switch (layout_)
    {
    case Layout::RGB24:
        return (width_ * 3 + 3) & ~3;
    case Layout::YUY2:
        return width_ * 2;
    case Layout::IYUV:
    case Layout::H264:
        return width_ * 3 / 2; // a nominal size: nothing is painted
    default:
        return width_ * 4;
    }
}

const GUID& CameraFormat::GetSubtype() const
{
    switch (layout_)
    {
    case Layout::ARGB32:
        return MEDIASUBTYPE_ARGB32;
    case Layout::RGB32:
        return MEDIASUBTYPE_RGB32;
    case Layout::RGB24:
        return MEDIASUBTYPE_RGB24;
    case Layout::IYUV:
        return MEDIASUBTYPE_IYUV;
    case Layout::H264:
        return SubtypeH264;
    default:
        return MEDIASUBTYPE_YUY2;
    }
}

WORD CameraFormat::GetBitCount() const
{
    switch (layout_)
    {
    case Layout::RGB24:
    case Layout::H264:
        return 24;
    case Layout::IYUV:
        return 12;
    case Layout::YUY2:
        return 16;
    default:
        return 32;
    }
}

DWORD CameraFormat::GetCompression() const
{
    switch (layout_)
    {
    case Layout::YUY2:
        return MAKEFOURCC('Y', 'U', 'Y', '2');
    case Layout::IYUV:
        return MAKEFOURCC('I', 'Y', 'U', 'V');
    case Layout::H264:
        return MAKEFOURCC('H', '2', '6', '4');
    default:
        return BI_RGB;
    }
}

HRESULT CameraFormat::FillMediaType(AM_MEDIA_TYPE& mediaType) const
{
    std::memset(&mediaType, 0, sizeof(mediaType));
    mediaType.majortype = MEDIATYPE_Video;
    mediaType.subtype = GetSubtype();
    mediaType.bFixedSizeSamples = TRUE;
    mediaType.bTemporalCompression = FALSE;
    mediaType.lSampleSize = static_cast<ULONG>(GetImageBytes());

    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width_;
    header.biHeight = GetBitmapHeight();
    header.biPlanes = 1;
    header.biBitCount = GetBitCount();
    header.biCompression = GetCompression();
    header.biSizeImage = static_cast<DWORD>(GetImageBytes());
    const DWORD bitRate = static_cast<DWORD>(GetImageBytes()) * 8u * static_cast<DWORD>(framesPerSecond_);

    if (block_ == Block::VideoInfo2)
    {
        mediaType.formattype = FORMAT_VideoInfo2;
        mediaType.cbFormat = sizeof(VIDEOINFOHEADER2);
    }
    else
    {
        mediaType.formattype = FORMAT_VideoInfo;
        mediaType.cbFormat = block_ == Block::ShortVideoInfo ? 48 : sizeof(VIDEOINFOHEADER);
    }
    mediaType.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(mediaType.cbFormat));
    if (mediaType.pbFormat == nullptr)
    {
        mediaType.cbFormat = 0;
        return E_OUTOFMEMORY;
    }
    std::memset(mediaType.pbFormat, 0, mediaType.cbFormat);
    if (block_ == Block::VideoInfo2)
    {
        auto* info = reinterpret_cast<VIDEOINFOHEADER2*>(mediaType.pbFormat);
        info->dwBitRate = bitRate;
        info->AvgTimePerFrame = GetFrameInterval();
        info->dwControlFlags = ControlFlags(colour_);
        info->bmiHeader = header;
    }
    else
    {
        VIDEOINFOHEADER info = {};
        info.dwBitRate = bitRate;
        info.AvgTimePerFrame = GetFrameInterval();
        info.bmiHeader = header;
        std::memcpy(mediaType.pbFormat, &info, mediaType.cbFormat);
    }
    return S_OK;
}

HRESULT CameraFormat::CreateMediaType(AM_MEDIA_TYPE** result) const
{
    auto* created = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (created == nullptr)
    {
        return E_OUTOFMEMORY;
    }
    const HRESULT hr = FillMediaType(*created);
    if (FAILED(hr))
    {
        CoTaskMemFree(created);
        return hr;
    }
    *result = created;
    return S_OK;
}

void CameraFormat::FillCaps(VIDEO_STREAM_CONFIG_CAPS& caps) const
{
    std::memset(&caps, 0, sizeof(caps));
    caps.guid = block_ == Block::VideoInfo2 ? FORMAT_VideoInfo2 : FORMAT_VideoInfo;
    const SIZE size = {width_, height_};
    caps.InputSize = size;
    caps.MinCroppingSize = size;
    caps.MaxCroppingSize = size;
    caps.MinOutputSize = size;
    caps.MaxOutputSize = size;
    caps.CropGranularityX = 1;
    caps.CropGranularityY = 1;
    caps.OutputGranularityX = 1;
    caps.OutputGranularityY = 1;
    caps.MinFrameInterval = GetFrameInterval();
    caps.MaxFrameInterval = GetFrameInterval();
    caps.MinBitsPerSecond = GetImageBytes() * 8 * framesPerSecond_;
    caps.MaxBitsPerSecond = caps.MinBitsPerSecond;
}

LONG CameraFormat::GetBitmapHeight() const
{
    return topDown_ && layout_ != Layout::YUY2 ? -height_ : height_;
}

bool CameraFormat::Matches(const AM_MEDIA_TYPE& mediaType) const
{
    return IsStreamable() && Describes(mediaType);
}

bool CameraFormat::Describes(const AM_MEDIA_TYPE& mediaType) const
{
    if (mediaType.majortype != MEDIATYPE_Video || mediaType.subtype != GetSubtype() ||
        mediaType.pbFormat == nullptr || block_ == Block::ShortVideoInfo)
    {
        return false;
    }
    REFERENCE_TIME interval = 0;
    BITMAPINFOHEADER header = {};
    if (block_ == Block::VideoInfo2)
    {
        if (mediaType.formattype != FORMAT_VideoInfo2 || mediaType.cbFormat < sizeof(VIDEOINFOHEADER2))
        {
            return false;
        }
        VIDEOINFOHEADER2 info;
        std::memcpy(&info, mediaType.pbFormat, sizeof(info));
        interval = info.AvgTimePerFrame;
        header = info.bmiHeader;
    }
    else
    {
        if (mediaType.formattype != FORMAT_VideoInfo || mediaType.cbFormat < sizeof(VIDEOINFOHEADER))
        {
            return false;
        }
        VIDEOINFOHEADER info;
        std::memcpy(&info, mediaType.pbFormat, sizeof(info));
        interval = info.AvgTimePerFrame;
        header = info.bmiHeader;
    }
    return header.biWidth == width_ && header.biHeight == GetBitmapHeight() &&
           (interval == 0 || interval == GetFrameInterval());
}

std::vector<CameraFormat> CameraFormat::StandardCatalogue()
{
    std::vector<CameraFormat> formats;
    const SIZE sizes[] = {{640, 480}, {1280, 720}, {1920, 1080}};
    for (const Layout layout : {Layout::ARGB32, Layout::YUY2, Layout::RGB24})
    {
        for (const SIZE& size : sizes)
        {
            for (const int rate : {30, 60})
            {
                formats.emplace_back(layout, size.cx, size.cy, false, rate);
            }
        }
    }
    // Top-down ARGB32, and an RGB32 pair that differs only in row order: the
    // second one duplicates the first by subtype, size and rate. Last two
    // formats the camera only describes: IYUV (listed, never connects) and
    // H264 (not listed).
    formats.emplace_back(Layout::ARGB32, 320, 240, true, 15);
    formats.emplace_back(Layout::RGB32, 640, 480, false, 30);
    formats.emplace_back(Layout::RGB32, 640, 480, true, 30);
    formats.emplace_back(Layout::IYUV, 640, 480, false, 30);
    formats.emplace_back(Layout::H264, 1920, 1080, false, 30);
    return formats;
}

std::vector<CameraFormat> CameraFormat::VideoInfo2Catalogue()
{
    return {
        CameraFormat(Layout::YUY2, 640, 480, false, 30, Block::VideoInfo2),
        CameraFormat(Layout::RGB24, 320, 240, false, 15, Block::VideoInfo2),
        CameraFormat(Layout::YUY2, 640, 480, false, 15, Block::VideoInfo2, Colour::Bt709Studio),
        CameraFormat(Layout::YUY2, 320, 240, false, 30, Block::VideoInfo2, Colour::Bt601Full),
    };
}

std::vector<CameraFormat> CameraFormat::PreviewCatalogue()
{
    return {CameraFormat(Layout::ARGB32, 320, 240, true, 15)};
}

std::vector<CameraFormat> CameraFormat::BrokenCatalogue()
{
    return {
        CameraFormat(Layout::ARGB32, 640, 480, false, 30, Block::ShortVideoInfo),
        CameraFormat(Layout::ARGB32, 0, 480, false, 30),
        CameraFormat(Layout::H264, 640, 480, false, 30),
    };
}

} // namespace VirtualCamera
