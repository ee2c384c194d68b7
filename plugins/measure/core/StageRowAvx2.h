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
// staged words, the spot channel, staged byte `byte`, added to the band's
// column sums or starting them when `first`, and its sums over runs of 8
// pixels) and or-s a non-zero value into `colourBits` when one of them is
// not grey. Returns the number of pixels done.
int StageRowAvx2(const std::uint8_t* pixels, int width, int byte, bool first, std::uint8_t* staged,
                 std::uint16_t* band, std::uint16_t* runs, std::uint32_t& colourBits);

} // namespace TavixMeasure
