// A small RIFF reader for the AVI files the writer makes: the first video
// stream's header, its bitmap header and the frame chunks in file order.
// Independent of the AVIFile library that wrote them.
#pragma once

#include <windows.h>

#include <vfw.h>

#include <cstdint>
#include <string>
#include <vector>

namespace SavingTests
{

// The "strh" chunk as stored in the file.
#pragma pack(push, 2)
struct StreamHeader
{
    FOURCC fccType;
    FOURCC fccHandler;
    DWORD dwFlags;
    WORD wPriority;
    WORD wLanguage;
    DWORD dwInitialFrames;
    DWORD dwScale;
    DWORD dwRate;
    DWORD dwStart;
    DWORD dwLength;
    DWORD dwSuggestedBufferSize;
    DWORD dwQuality;
    DWORD dwSampleSize;
    struct
    {
        short left, top, right, bottom;
    } rcFrame;
};
#pragma pack(pop)
static_assert(sizeof(StreamHeader) == 56);

struct AviContents
{
    StreamHeader streamHeader = {};
    BITMAPINFOHEADER bitmapHeader = {};
    std::vector<std::vector<std::uint8_t>> frames; // "00db" chunks
};

AviContents ReadAvi(const std::wstring& path);

} // namespace SavingTests
