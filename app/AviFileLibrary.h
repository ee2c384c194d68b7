// TavixCapture::AviFileLibrary: the AVI file library for the holder's lifetime.
// UI thread.
#pragma once

namespace TavixCapture
{

class AviFileLibrary
{
public:
    AviFileLibrary();
    ~AviFileLibrary();
    AviFileLibrary(const AviFileLibrary&) = delete;
    AviFileLibrary& operator=(const AviFileLibrary&) = delete;
};

} // namespace TavixCapture
