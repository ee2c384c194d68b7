// Reads back an AVI movie through the AVIFile library: the first video
// stream's header, its bitmap header and its frames in order. (The
// saving_avi_reader test checks the same movies with an independent reader,
// ffprobe and ffmpeg.)
#pragma once

#include <windows.h>

#include <vfw.h>

#include <cstdint>
#include <string>
#include <vector>

namespace SavingTests
{

struct AviContents
{
    AVISTREAMINFOW streamHeader = {};
    BITMAPINFOHEADER bitmapHeader = {};
    std::vector<std::vector<std::uint8_t>> frames;
};

AviContents ReadAvi(const std::wstring& path);

} // namespace SavingTests
