// Common::Convert Motion-JPEG frames without Huffman tables. Many USB
// cameras leave the DHT segment out of every MJPG frame: the Motion-JPEG
// formats let a decoder assume the standard tables of the JPEG standard
// (ITU-T T.81, Annex K.3). A decoder of still images needs them in the
// stream, so such a frame is copied with the standard tables inserted before
// its first start-of-scan marker.
// Pure functions, any thread. Includes no platform header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Common::Convert
{

// The offset of the first start-of-scan marker of a JPEG stream that defines
// no Huffman table before it; 0 when the stream defines its tables, or is
// not a well-formed JPEG up to its first scan (the decoder then says what is
// wrong with it).
std::size_t MissingHuffmanTablesAt(const std::uint8_t* data, std::size_t size);

// `output` becomes `data` with the standard DHT segment inserted at `at`
// (from MissingHuffmanTablesAt). Its capacity is kept from frame to frame,
// so a stream of frames of one size allocates only for the first.
void InsertStandardHuffmanTables(const std::uint8_t* data, std::size_t size, std::size_t at,
                                 std::vector<std::uint8_t>& output);

} // namespace Common::Convert
