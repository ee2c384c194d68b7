// Duplicate filtering shared by the backends: two formats of one device are
// duplicates when subtype, size and frame rate are equal. The backends differ
// only in which member of a duplicate group they keep.
#pragma once

#include "Common/capture/FrameFormat.h"

#include <functional>
#include <memory>
#include <vector>

namespace Common
{

// Decides, for a kept format and a new duplicate of it, whether the new one
// takes the kept one's place.
using DuplicatePreference = std::function<bool(const FrameFormat& kept, const FrameFormat& candidate)>;

// Adds `format` to `formats`, unless it is larger than FrameFormat::MaximumSide
// (or has a negative side): such a format is left out. With allowDuplicates
// every other format is appended.
// Otherwise a format that duplicates a kept one either replaces it in place
// (when prefersNew says so) or is dropped; an empty prefersNew keeps the first.
void AddFrameFormat(std::vector<std::shared_ptr<FrameFormat>>& formats, std::shared_ptr<FrameFormat> format,
                    bool allowDuplicates, const DuplicatePreference& prefersNew = {});

} // namespace Common
