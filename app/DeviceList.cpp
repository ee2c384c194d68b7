#include "app/DeviceList.h"

#include <windows.h>

namespace TavixCapture
{

bool DeviceList::IsSamePath(const std::wstring& first, const std::wstring& second)
{
    return CompareStringOrdinal(first.c_str(), static_cast<int>(first.size()), second.c_str(),
                                static_cast<int>(second.size()), TRUE) == CSTR_EQUAL;
}

std::int32_t DeviceList::Find(const Devices& devices, const std::wstring& path)
{
    if (path.empty())
    {
        return -1;
    }
    for (std::size_t i = 0; i < devices.size(); ++i)
    {
        if (IsSamePath(devices[i]->path, path))
        {
            return static_cast<std::int32_t>(i);
        }
    }
    return -1;
}

DeviceList::Devices DeviceList::Merge(const Devices& before, Devices now, const std::wstring& unplugged)
{
    for (auto& device : now)
    {
        const std::int32_t old = Find(before, device->path);
        if (old >= 0 && (unplugged.empty() || !IsSamePath(device->path, unplugged)))
        {
            device = before[static_cast<std::size_t>(old)];
        }
    }
    return now;
}

} // namespace TavixCapture
