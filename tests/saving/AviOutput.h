// Where the AVI tests leave their movies: the folder named by
// TAVIX_AVI_OUTPUT (for tests/saving/check-avi.sh), else a temporary one.
#pragma once

#include "Common/capture/FrameBuffer.h"
#include "support/TempFolder.h"

#include <optional>
#include <string>
#include <vector>

namespace SavingTests
{

class OutputFolder
{
public:
    OutputFolder();
    std::wstring File(const std::wstring& name) const { return path_ + name; }

private:
    std::optional<TestSupport::TempFolder> temporary_;
    std::wstring path_;
};

// Writes the frames as a player shows them: packed 24-bit rows, top row first.
void WriteExpectedFrames(const std::wstring& path, const std::vector<Common::FrameBuffer>& frames);

} // namespace SavingTests
