#include "Common/capture/DeviceNames.h"

#include <map>
#include <string>

namespace Common
{

void NumberDuplicateDeviceNames(const std::vector<std::shared_ptr<Device>>& devices)
{
    std::map<std::wstring, int> seen;
    for (const auto& device : devices)
    {
        const int count = ++seen[device->name];
        if (count > 1)
        {
            device->name += L" #" + std::to_wstring(count);
        }
    }
}

} // namespace Common
