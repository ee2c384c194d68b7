#include "app/SaveFormats.h"

#include "Common/Exception.h"

#include <windows.h>

#include <wincodec.h>

#include <array>

namespace TavixCapture
{

namespace
{
const std::array<StillFormat, 4> StillFormats = {{
    {L"bmp", L".bmp", L"ビットマップ (*.bmp)|*.bmp||", &GUID_ContainerFormatBmp},
    {L"jpg", L".jpg", L"JPEG (*.jpg;*.jpeg)|*.jpg;*.jpeg||", &GUID_ContainerFormatJpeg},
    {L"png", L".png", L"PNG (*.png)|*.png||", &GUID_ContainerFormatPng},
    {L"tif", L".tif", L"TIFF (*.tif;*.tiff)|*.tif;*.tiff||", &GUID_ContainerFormatTiff},
}};

const std::array<MovieKind, 3> MovieKinds = {{
    {L"avi", L"AVI (*.avi)|*.avi||"},
    {L"wmv", L"WMV (*.wmv)|*.wmv||"},
    {L"mp4", L"MPEG-4 (*.mp4)|*.mp4||"},
}};
} // namespace

const StillFormat& GetStillFormat(std::int32_t fileFormat, std::source_location where)
{
    if (fileFormat < 0 || static_cast<std::size_t>(fileFormat) >= StillFormats.size())
    {
        throw Common::Exception(L"サポートされていないフォーマットが指定されました。", where);
    }
    return StillFormats[static_cast<std::size_t>(fileFormat)];
}

const MovieKind& GetMovieKind(std::int32_t kind, std::source_location where)
{
    if (kind < 0 || static_cast<std::size_t>(kind) >= MovieKinds.size())
    {
        throw Common::Exception(L"不正なモードです。", where);
    }
    return MovieKinds[static_cast<std::size_t>(kind)];
}

void CheckFileFormat(std::int32_t fileFormat, std::source_location where)
{
    if (IsMovieFormat(fileFormat))
    {
        static_cast<void>(GetMovieKind(fileFormat - FirstMovieFormat, where));
    }
    else
    {
        static_cast<void>(GetStillFormat(fileFormat, where));
    }
}

} // namespace TavixCapture
