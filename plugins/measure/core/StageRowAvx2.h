// The AVX2 part of the region's pass over a row (RegionStatistics): this
// file alone is compiled for AVX2 and called only on a processor that has
// it. It holds no inline or template code shared with other files, so that
// the linker cannot hand an AVX2 copy of a helper to code run anywhere.
// Any thread.
#pragma once

#include <cstdint>

namespace TavixMeasure
{

// Stages the first 16 * (width / 16) pixels of a row as StageRow does (the
// staged words; the spot channel, staged byte `byte`, added to the column
// sums `above` into `below`, and summed over runs of 8 pixels, whose running
// sums go on from runPrefix[0] into runPrefix[1], ...) and or-s a non-zero
// value into `colourBits` when one of them is not grey. Returns the number
// of pixels done.
int StageRowAvx2(const std::uint8_t* pixels, int width, int byte, std::uint8_t* staged,
                 const std::uint32_t* above, std::uint32_t* below, std::uint32_t* runPrefix,
                 std::uint32_t& colourBits);

} // namespace TavixMeasure
