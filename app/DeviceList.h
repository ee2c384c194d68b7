// TavixCapture::DeviceList: how the list of cameras follows the machine.
// Merge takes the devices listed before and those listed now: a camera in
// both stays the same object (an open one goes on streaming), unless it was
// the one unplugged (the platform's object of a removed camera does not come
// back to life), whose new object takes its place; a camera no longer listed
// goes; the order is the new listing's. Device paths (the platform's
// symbolic links) are compared without regard to case. UI thread.
#pragma once

#include "Common/capture/Device.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace TavixCapture
{

class DeviceList
{
public:
    using Devices = std::vector<std::shared_ptr<Common::Device>>;

    static bool IsSamePath(const std::wstring& first, const std::wstring& second);
    // The index of the device at `path` in `devices`; -1 when none is (or the path is empty).
    static std::int32_t Find(const Devices& devices, const std::wstring& path);
    // `unplugged`: the path of the camera that was lost since the listing
    // before (empty: none).
    static Devices Merge(const Devices& before, Devices now, const std::wstring& unplugged);
};

} // namespace TavixCapture
