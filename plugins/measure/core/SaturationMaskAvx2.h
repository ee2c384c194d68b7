// The AVX2 part of the saturation mask (SaturationMask): this file alone is
// compiled for AVX2 and called only where UseAvx2() (CpuFeatures.h) says so. It holds no
// inline or template code shared with other files, so that the linker
// cannot hand an AVX2 copy of a helper to code run anywhere. Any thread.
#pragma once

#include <cstdint>

namespace TavixMeasure
{

// Marks the first 32 * (width / 32) pixels of a row as SaturationMask does
// and adds the saturated and black ones to the counts. Returns the number
// of pixels done.
int MarkRowAvx2(const std::uint8_t* row, int width, bool markBlack, std::uint8_t* marks,
                std::int64_t& saturated, std::int64_t& black);

} // namespace TavixMeasure
