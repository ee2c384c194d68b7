#include "FailingMovieFile.h"

#include "Common/Exception.h"

#include <windows.h>

namespace SavingTests
{

namespace
{
class FillingMovieFile : public TavixCapture::MovieFile
{
public:
    FillingMovieFile(const std::wstring& path, int failingWrite)
        : file_(TavixCapture::OpenMovieFile(path)), writesLeft_(failingWrite)
    {
    }

    void WriteAt(std::uint64_t offset, const void* data, std::size_t size) override
    {
        if (offset + size > size_ && (full_ || --writesLeft_ == 0))
        {
            full_ = true;
            const std::size_t part = size / 2;
            file_->WriteAt(offset, data, part);
            Grow(offset + part);
            throw Common::Exception(HRESULT_FROM_WIN32(ERROR_DISK_FULL));
        }
        file_->WriteAt(offset, data, size);
        Grow(offset + size);
    }
    void Truncate(std::uint64_t size) override
    {
        file_->Truncate(size);
        size_ = size;
    }
    void Flush() override { file_->Flush(); }

private:
    void Grow(std::uint64_t end) { size_ = end > size_ ? end : size_; }

    std::unique_ptr<TavixCapture::MovieFile> file_;
    int writesLeft_;
    bool full_ = false;
    std::uint64_t size_ = 0;
};
} // namespace

TavixCapture::MovieFileFactory MakeFillingMovieFileFactory(int failingWrite)
{
    return [failingWrite](const std::wstring& path)
    { return std::make_unique<FillingMovieFile>(path, failingWrite); };
}

} // namespace SavingTests
