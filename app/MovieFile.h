// TavixCapture::MovieFile: the file a movie is written into, as the AVI
// writer needs it: writes at an offset, cutting the file back to a length,
// and pushing what was written to the disk. OpenMovieFile gives the real
// file; tests wrap it to make a write fail.
//
// One thread at a time (the movie writer's lock).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace TavixCapture
{

class MovieFile
{
public:
    virtual ~MovieFile() = default;

    // Writes all `size` bytes at `offset`, growing the file as needed; raises
    // Exception with the platform's code (a full disk gives ERROR_DISK_FULL)
    // when not every byte could be written.
    virtual void WriteAt(std::uint64_t offset, const void* data, std::size_t size) = 0;
    // Makes the file exactly `size` bytes long.
    virtual void Truncate(std::uint64_t size) = 0;
    // Hands what was written to the disk.
    virtual void Flush() = 0;
};

// Opens a movie file for `path`, creating or replacing it.
using MovieFileFactory = std::function<std::unique_ptr<MovieFile>(const std::wstring& path)>;

// The platform's file at `path`, created or replaced; readers may open it
// while it is being written.
std::unique_ptr<MovieFile> OpenMovieFile(const std::wstring& path);

} // namespace TavixCapture
