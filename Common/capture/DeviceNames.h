// Numbering of devices that share a friendly name, so that the user can tell
// two identical cameras apart: the first keeps its name, the next ones get
// " #2", " #3", ... in list order. UI thread, while a backend fills its list.
#pragma once

#include "Common/capture/Device.h"

#include <memory>
#include <vector>

namespace Common
{

void NumberDuplicateDeviceNames(const std::vector<std::shared_ptr<Device>>& devices);

} // namespace Common
