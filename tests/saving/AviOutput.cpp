#include "AviOutput.h"

#include "SavedFiles.h"

#include "app/Bgr24Image.h"

#include <cstdlib>

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
    std::vector<std::uint8_t> bytes;
    for (const Common::FrameBuffer& frame : frames)
    {
        const std::vector<std::uint8_t> image =
            TavixCapture::ConvertToBgr24(frame, TavixCapture::RowOrder::TopDown);
        const std::size_t stride = static_cast<std::size_t>(TavixCapture::GetBgr24Stride(frame.width));
        for (int y = 0; y < frame.height; ++y)
        {
            const auto row = image.begin() + static_cast<std::ptrdiff_t>(y * stride);
            bytes.insert(bytes.end(), row, row + frame.width * 3);
        }
    }
    SavedFiles::WriteFileBytes(path, bytes);
}

} // namespace SavingTests
