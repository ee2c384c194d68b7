// FailingMovieFile: the real movie file with a disk that fills up: the Nth
// write that grows the file takes half its bytes and fails with
// ERROR_DISK_FULL, and so does every later one that would grow it; writes
// inside the file still go through, as on a full disk. One thread at a time.
#pragma once

#include "app/MovieFile.h"

#include <memory>

namespace SavingTests
{

// A factory for VideoWriter whose files fill up at their `failingWrite`th
// growing write (1 is the first).
TavixCapture::MovieFileFactory MakeFillingMovieFileFactory(int failingWrite);

} // namespace SavingTests
