// The AVI tests' movies: where they are left (the folder named by
// TAVIX_AVI_OUTPUT, for tests/saving/check-avi.sh, else a temporary one), the
// frames they must hold for that script, and reading them back through the
// AVIFile library: the first video stream's header, its bitmap header and its
// frames in order. (The script checks the same movies with an independent
// reader, ffprobe and ffmpeg.)
#pragma once

#include "Common/capture/FrameBuffer.h"
#include "support/TempFolder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <vfw.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace SavingTests
{

class OutputFolder
{
public:
    OutputFolder();
    std::wstring File(const std::wstring& name) const { return path_ + name; }

private:
    std::optional<TestSupport::TempFolder> temporary_;
    std::wstring path_;
};

// Writes the frames as a player shows them: packed 24-bit rows, top row first.
void WriteExpectedFrames(const std::wstring& path, const std::vector<Common::FrameBuffer>& frames);

struct AviContents
{
    AVISTREAMINFOW streamHeader = {};
    BITMAPINFOHEADER bitmapHeader = {};
    std::vector<std::vector<std::uint8_t>> frames;
};

AviContents ReadAvi(const std::wstring& path);

// The file's top-level RIFF lists, in order: their type ("AVI ", "AVIX") and
// size (with the 8 bytes before it). Throws when they do not tile the file.
struct RiffList
{
    std::string type;
    std::uint64_t size;
};
std::vector<RiffList> ReadRiffLists(const std::wstring& path);

// A frame as an AVI movie stores it: row r holds the frame's row
// height - 1 - r as 24-bit pixels, then zero filler.
testing::AssertionResult HoldsFrame(const std::vector<std::uint8_t>& stored,
                                    const Common::FrameBuffer& frame);

} // namespace SavingTests
