#include "Common/capture/mediafoundation/MediaFoundationFrameFormat.h"

#include <mfapi.h>
#include <mferror.h>

#include <cstring>

namespace Common
{

namespace
{

struct SubtypeName
{
    const GUID* subtype;
    const wchar_t* name;
};

// Searched in this order; the first equal subtype gives the name.
const SubtypeName subtypeNames[] = {
    {&MFVideoFormat_RGB32, L"RGB32"},   {&MFVideoFormat_ARGB32, L"ARGB32"}, {&MFVideoFormat_RGB24, L"RGB24"},
    {&MFVideoFormat_RGB555, L"RGB555"}, {&MFVideoFormat_RGB565, L"RGB565"}, {&MFVideoFormat_RGB8, L"RGB8"},
    {&MFVideoFormat_AI44, L"AI44"},     {&MFVideoFormat_AYUV, L"AYUV"},     {&MFVideoFormat_YUY2, L"YUY2"},
    {&MFVideoFormat_YVYU, L"YVYU"},     {&MFVideoFormat_YVU9, L"YVU9"},     {&MFVideoFormat_UYVY, L"UYVY"},
    {&MFVideoFormat_NV11, L"NV11"},     {&MFVideoFormat_NV12, L"NV12"},     {&MFVideoFormat_YV12, L"YV12"},
    {&MFVideoFormat_I420, L"I420"},     {&MFVideoFormat_IYUV, L"IYUV"},     {&MFVideoFormat_Y210, L"Y210"},
    {&MFVideoFormat_Y216, L"Y216"},     {&MFVideoFormat_Y410, L"Y410"},     {&MFVideoFormat_Y416, L"Y416"},
    {&MFVideoFormat_Y41P, L"Y41P"},     {&MFVideoFormat_Y41T, L"Y41T"},     {&MFVideoFormat_Y42T, L"Y42T"},
    {&MFVideoFormat_P210, L"P210"},     {&MFVideoFormat_P216, L"P216"},     {&MFVideoFormat_P010, L"P010"},
    {&MFVideoFormat_P016, L"P016"},     {&MFVideoFormat_v210, L"v210"},     {&MFVideoFormat_v216, L"v216"},
    {&MFVideoFormat_v410, L"v410"},     {&MFVideoFormat_MP43, L"MP43"},     {&MFVideoFormat_MP4S, L"MP4S"},
    {&MFVideoFormat_M4S2, L"M4S2"},     {&MFVideoFormat_MP4V, L"MP4V"},     {&MFVideoFormat_WMV1, L"WMV1"},
    {&MFVideoFormat_WMV2, L"WMV2"},     {&MFVideoFormat_WMV3, L"WMV3"},     {&MFVideoFormat_WVC1, L"WVC1"},
    {&MFVideoFormat_MSS1, L"MSS1"},     {&MFVideoFormat_MSS2, L"MSS2"},     {&MFVideoFormat_MPG1, L"MPG1"},
    {&MFVideoFormat_DVSL, L"DVSL"},     {&MFVideoFormat_DVSD, L"DVSD"},     {&MFVideoFormat_DVHD, L"DVHD"},
    {&MFVideoFormat_DV25, L"DV25"},     {&MFVideoFormat_DV50, L"DV50"},     {&MFVideoFormat_DVH1, L"DVH1"},
    {&MFVideoFormat_DVC, L"DVC"},       {&MFVideoFormat_H264, L"H264"},     {&MFVideoFormat_MJPG, L"MJPG"},
};

static_assert(std::size(subtypeNames) == 51);

} // namespace

MediaFoundationFrameFormat::MediaFoundationFrameFormat(IMFMediaType* type) : mediaType(type)
{
    ThrowIfFalse(type != nullptr);
    ThrowIfFailed(mediaType->GetGUID(MF_MT_SUBTYPE, &subtype));

    UINT64 size = 0;
    ThrowIfFailed(mediaType->GetUINT64(MF_MT_FRAME_SIZE, &size));
    width = static_cast<std::int32_t>(static_cast<UINT32>(size >> 32));
    height = static_cast<std::int32_t>(static_cast<UINT32>(size));

    UINT32 defaultStride = 0;
    if (SUCCEEDED(mediaType->GetUINT32(MF_MT_DEFAULT_STRIDE, &defaultStride)))
    {
        stride = static_cast<std::int32_t>(defaultStride);
    }
    else
    {
        // The platform knows the stride of uncompressed subtypes only; a
        // compressed one (MJPG, H264) has none and keeps stride 0 rather than
        // failing the whole device.
        LONG computed = 0;
        const HRESULT hr =
            MFGetStrideForBitmapInfoHeader(subtype.Data1, static_cast<DWORD>(width), &computed);
        if (hr != MF_E_INVALIDMEDIATYPE)
        {
            ThrowIfFailed(hr);
            ThrowIfFailed(mediaType->SetUINT32(MF_MT_DEFAULT_STRIDE, static_cast<UINT32>(computed)));
            stride = static_cast<std::int32_t>(computed);
        }
    }

    ReadPictureDetails();

    UINT64 rate = 0;
    ThrowIfFailed(mediaType->GetUINT64(MF_MT_FRAME_RATE, &rate));
    const UINT32 numerator = static_cast<UINT32>(rate >> 32);
    const UINT32 denominator = static_cast<UINT32>(rate);
    // A rate of n/0 says nothing about the rate: shown and compared as 0.
    frameRate = denominator == 0 ? 0.0 : static_cast<double>(numerator) / static_cast<double>(denominator);
}

const wchar_t* MediaFoundationFrameFormat::GetSubtypeName() const
{
    return GetSubtypeName(subtype);
}

std::uint32_t MediaFoundationFrameFormat::GetAttributeCount() const
{
    UINT32 count = 0;
    ThrowIfFailed(mediaType->GetCount(&count));
    return count;
}

const wchar_t* MediaFoundationFrameFormat::GetSubtypeName(const GUID& subtype)
{
    for (const auto& entry : subtypeNames)
    {
        if (std::memcmp(entry.subtype, &subtype, sizeof(GUID)) == 0)
        {
            return entry.name;
        }
    }
    return L"Unknown";
}

void MediaFoundationFrameFormat::ReadPictureDetails()
{
    // The matrix and range of YUV subtypes; absent or unknown values keep
    // BT.601 studio range.
    UINT32 matrix = 0;
    if (SUCCEEDED(mediaType->GetUINT32(MF_MT_YUV_MATRIX, &matrix)) && matrix == MFVideoTransferMatrix_BT709)
    {
        yuvEncoding.matrix = Convert::YuvMatrix::Bt709;
    }
    UINT32 range = 0;
    if (SUCCEEDED(mediaType->GetUINT32(MF_MT_VIDEO_NOMINAL_RANGE, &range)) && range == MFNominalRange_0_255)
    {
        yuvEncoding.range = Convert::YuvRange::Full;
    }
    // A picture smaller than the frame (1920x1080 in a 1920x1088 frame):
    // the format is the picture; the buffer keeps the frame's rows.
    MFVideoArea aperture = {};
    UINT32 size = 0;
    if (SUCCEEDED(mediaType->GetBlob(MF_MT_MINIMUM_DISPLAY_APERTURE, reinterpret_cast<UINT8*>(&aperture),
                                     sizeof aperture, &size)) &&
        size == sizeof aperture)
    {
        const std::int64_t left = aperture.OffsetX.value;
        const std::int64_t top = aperture.OffsetY.value;
        const std::int64_t apertureWidth = aperture.Area.cx;
        const std::int64_t apertureHeight = aperture.Area.cy;
        if (left >= 0 && top >= 0 && apertureWidth > 0 && apertureHeight > 0 &&
            left + apertureWidth <= width && top + apertureHeight <= height &&
            (apertureWidth < width || apertureHeight < height))
        {
            planeRows = height;
            pictureLeft = static_cast<std::int32_t>(left);
            pictureTop = static_cast<std::int32_t>(top);
            width = static_cast<std::int32_t>(apertureWidth);
            height = static_cast<std::int32_t>(apertureHeight);
        }
    }
}

} // namespace Common
