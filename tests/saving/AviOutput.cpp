#include "AviOutput.h"

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

} // namespace SavingTests
