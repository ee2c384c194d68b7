#include "app/AviFileLibrary.h"

#include <windows.h>

#include <vfw.h>

namespace TavixCapture
{

AviFileLibrary::AviFileLibrary()
{
    AVIFileInit();
}

AviFileLibrary::~AviFileLibrary()
{
    AVIFileExit();
}

} // namespace TavixCapture
