#include "AviFile.h"

#include "SavedFiles.h"

#include <cstring>
#include <stdexcept>

namespace SavingTests
{

namespace
{
std::uint32_t ReadU32(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    if (at + 4 > bytes.size())
    {
        throw std::runtime_error("AVI file ends early");
    }
    std::uint32_t value;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

bool IsTag(const std::vector<std::uint8_t>& bytes, std::size_t at, const char* tag)
{
    return at + 4 <= bytes.size() && std::memcmp(bytes.data() + at, tag, 4) == 0;
}

// Walks the chunks in [begin, end), descending into LIST chunks.
void Walk(const std::vector<std::uint8_t>& bytes, std::size_t begin, std::size_t end, AviContents& contents,
          bool& haveStream, bool& haveFormat)
{
    std::size_t at = begin;
    while (at + 8 <= end)
    {
        const std::uint32_t size = ReadU32(bytes, at + 4);
        const std::size_t data = at + 8;
        if (data + size > bytes.size())
        {
            throw std::runtime_error("chunk runs past the end of the file");
        }
        if (IsTag(bytes, at, "LIST") || IsTag(bytes, at, "RIFF"))
        {
            Walk(bytes, data + 4, data + size, contents, haveStream, haveFormat);
        }
        else if (IsTag(bytes, at, "strh") && !haveStream)
        {
            std::memcpy(&contents.streamHeader, bytes.data() + data,
                        std::min<std::size_t>(size, sizeof(StreamHeader)));
            haveStream = true;
        }
        else if (IsTag(bytes, at, "strf") && !haveFormat)
        {
            std::memcpy(&contents.bitmapHeader, bytes.data() + data,
                        std::min<std::size_t>(size, sizeof(BITMAPINFOHEADER)));
            haveFormat = true;
        }
        else if (IsTag(bytes, at, "00db") || IsTag(bytes, at, "00dc"))
        {
            contents.frames.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(data),
                                         bytes.begin() + static_cast<std::ptrdiff_t>(data + size));
        }
        at = data + size + (size & 1);
    }
}
} // namespace

AviContents ReadAvi(const std::wstring& path)
{
    const std::vector<std::uint8_t> bytes = SavedFiles::ReadFileBytes(path);
    if (!IsTag(bytes, 0, "RIFF") || !IsTag(bytes, 8, "AVI "))
    {
        throw std::runtime_error("not an AVI file");
    }
    AviContents contents;
    bool haveStream = false;
    bool haveFormat = false;
    Walk(bytes, 12, std::min<std::size_t>(bytes.size(), 8 + ReadU32(bytes, 4)), contents, haveStream,
         haveFormat);
    return contents;
}

} // namespace SavingTests
