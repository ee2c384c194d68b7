#include "AviFile.h"

#include "app/AviFileLibrary.h"

#include <stdexcept>

namespace SavingTests
{

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

} // namespace SavingTests
