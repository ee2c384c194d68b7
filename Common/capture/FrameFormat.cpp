#include "Common/capture/FrameFormat.h"

#include <cstring>
#include <sstream>

namespace Common
{

std::wstring FrameFormat::GetName() const
{
    std::wostringstream text;
    text << GetSubtypeName() << L' ' << width << L'x' << height << L" (" << frameRate << L"fps)";
    return text.str();
}

bool FrameFormat::IsDuplicateOf(const FrameFormat& other) const
{
    return std::memcmp(&subtype, &other.subtype, sizeof(GUID)) == 0 && width == other.width &&
           height == other.height && frameRate == other.frameRate;
}

bool FrameFormat::IsWithinSizeLimit() const
{
    return width >= 0 && width <= MaximumSide && height >= 0 && height <= MaximumSide;
}

} // namespace Common
