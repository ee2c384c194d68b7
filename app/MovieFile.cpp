#include "app/MovieFile.h"

#include "Common/Exception.h"
#include "Common/UniqueHandle.h"

#include <windows.h>

#include <algorithm>
#include <source_location>

namespace TavixCapture
{

namespace
{
// A write of more than this is split: WriteFile takes a 32-bit count.
constexpr std::size_t LargestWrite = 64u << 20;

void ThrowLastErrorIfFalse(BOOL result, std::source_location where = std::source_location::current())
{
    if (!result)
    {
        throw Common::Exception(HRESULT_FROM_WIN32(GetLastError()), where);
    }
}

class PlatformMovieFile : public MovieFile
{
public:
    explicit PlatformMovieFile(const std::wstring& path)
        : file_(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr))
    {
        if (!file_)
        {
            throw Common::Exception(HRESULT_FROM_WIN32(GetLastError()));
        }
    }

    void WriteAt(std::uint64_t offset, const void* data, std::size_t size) override
    {
        Seek(offset);
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        while (size > 0)
        {
            const DWORD part = static_cast<DWORD>(std::min(size, LargestWrite));
            DWORD written = 0;
            ThrowLastErrorIfFalse(WriteFile(file_.Get(), bytes, part, &written, nullptr));
            if (written != part)
            {
                // The platform took fewer bytes without saying why: no room.
                throw Common::Exception(HRESULT_FROM_WIN32(ERROR_DISK_FULL));
            }
            bytes += written;
            size -= written;
        }
    }

    void Truncate(std::uint64_t size) override
    {
        Seek(size);
        ThrowLastErrorIfFalse(SetEndOfFile(file_.Get()));
    }

    void Flush() override { ThrowLastErrorIfFalse(FlushFileBuffers(file_.Get())); }

private:
    void Seek(std::uint64_t offset)
    {
        LARGE_INTEGER position;
        position.QuadPart = static_cast<LONGLONG>(offset);
        ThrowLastErrorIfFalse(SetFilePointerEx(file_.Get(), position, nullptr, FILE_BEGIN));
    }

    Common::UniqueHandle file_;
};
} // namespace

std::unique_ptr<MovieFile> OpenMovieFile(const std::wstring& path)
{
    return std::make_unique<PlatformMovieFile>(path);
}

} // namespace TavixCapture
