#include "Common/capture/FormatList.h"

namespace Common
{

void AddFrameFormat(std::vector<std::shared_ptr<FrameFormat>>& formats, std::shared_ptr<FrameFormat> format,
                    bool allowDuplicates, const DuplicatePreference& prefersNew)
{
    if (!format->IsWithinSizeLimit())
    {
        return;
    }
    if (!allowDuplicates)
    {
        for (auto& kept : formats)
        {
            if (kept->IsDuplicateOf(*format))
            {
                if (prefersNew && prefersNew(*kept, *format))
                {
                    kept = std::move(format);
                }
                return;
            }
        }
    }
    formats.push_back(std::move(format));
}

} // namespace Common
