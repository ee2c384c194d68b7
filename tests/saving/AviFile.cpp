#include "AviFile.h"

#include "app/AviFileLibrary.h"

#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace SavingTests
{

OutputFolder::OutputFolder()
{
    const wchar_t* kept = _wgetenv(L"TAVIX_AVI_OUTPUT");
    if (kept != nullptr && *kept != L'\0')
    {
        path_ = kept;
        if (path_.back() != L'\\')
        {
            path_ += L'\\';
        }
    }
    else
    {
        temporary_.emplace();
        path_ = temporary_->Path();
    }
}

void WriteExpectedFrames(const std::wstring& path, const std::vector<Common::FrameBuffer>& frames)
{
    std::string bytes;
    for (const Common::FrameBuffer& frame : frames)
    {
        for (int y = 0; y < frame.height; ++y)
        {
            for (int x = 0; x < frame.width; ++x)
            {
                bytes.append(reinterpret_cast<const char*>(frame.pixels.data()) +
                                 static_cast<std::size_t>(y) * frame.stride + x * 4,
                             3);
            }
        }
    }
    TestSupport::WriteFileBytes(path, bytes);
}

AviContents ReadAvi(const std::wstring& path)
{
    const TavixCapture::AviFileLibrary library;
    PAVIFILE file = nullptr;
    if (AVIFileOpenW(&file, path.c_str(), OF_READ | OF_SHARE_DENY_WRITE, nullptr) != 0)
    {
        throw std::runtime_error("not an AVI file");
    }
    PAVISTREAM stream = nullptr;
    AviContents contents;
    LONG formatSize = sizeof(contents.bitmapHeader);
    const bool read = AVIFileGetStream(file, &stream, streamtypeVIDEO, 0) == 0 &&
                      AVIStreamInfoW(stream, &contents.streamHeader, sizeof(contents.streamHeader)) == 0 &&
                      AVIStreamReadFormat(stream, 0, &contents.bitmapHeader, &formatSize) == 0;
    for (LONG i = 0; read && i < AVIStreamLength(stream); ++i)
    {
        LONG bytes = 0;
        AVIStreamRead(stream, i, 1, nullptr, 0, &bytes, nullptr);
        contents.frames.emplace_back(static_cast<std::size_t>(bytes));
        AVIStreamRead(stream, i, 1, contents.frames.back().data(), bytes, nullptr, nullptr);
    }
    if (stream != nullptr)
    {
        AVIStreamRelease(stream);
    }
    AVIFileRelease(file);
    if (!read)
    {
        throw std::runtime_error("no video stream");
    }
    return contents;
}

std::vector<RiffList> ReadRiffLists(const std::wstring& path)
{
    const std::string bytes = TestSupport::ReadFileBytes(path);
    std::vector<RiffList> lists;
    std::size_t offset = 0;
    while (offset + 12 <= bytes.size())
    {
        std::uint32_t size = 0;
        std::memcpy(&size, bytes.data() + offset + 4, 4);
        if (bytes.compare(offset, 4, "RIFF") != 0 || offset + 8 + size > bytes.size())
        {
            throw std::runtime_error("not a RIFF list at " + std::to_string(offset));
        }
        lists.push_back({bytes.substr(offset + 8, 4), 8ull + size});
        offset += 8 + size + (size & 1);
    }
    if (offset != bytes.size())
    {
        throw std::runtime_error("bytes after the last RIFF list");
    }
    return lists;
}

testing::AssertionResult HoldsFrame(const std::vector<std::uint8_t>& stored, const Common::FrameBuffer& frame)
{
    const std::size_t stride = (frame.width * 3 + 3) & ~3u;
    if (stored.size() != stride * frame.height)
    {
        return testing::AssertionFailure() << stored.size() << " bytes";
    }
    for (int row = 0; row < frame.height; ++row)
    {
        const std::uint8_t* target = stored.data() + row * stride;
        const std::uint8_t* source = frame.pixels.data() + (frame.height - 1 - row) * frame.stride;
        for (int x = 0; x < frame.width; ++x)
        {
            if (std::memcmp(target + 3 * x, source + 4 * x, 3) != 0)
            {
                return testing::AssertionFailure() << "row " << row << " x " << x;
            }
        }
        for (std::size_t pad = frame.width * 3; pad < stride; ++pad)
        {
            if (target[pad] != 0)
            {
                return testing::AssertionFailure() << "filler of row " << row;
            }
        }
    }
    return testing::AssertionSuccess();
}

} // namespace SavingTests
