// TavixCapture::AviWriter: one uncompressed movie (24-bit DIB frames, rows
// bottom-up, every frame a key frame) in an AVI file of any length. The file
// is cut into segments of at most `segmentBytes`: the first is an AVI 1.0
// file of its own (with its "idx1" index) that any AVI reader plays; the
// later ones ("AVIX") and the OpenDML indexes ("indx" and one "ix00" per
// segment) give the whole movie to readers that know AVI 2.0.
//
// A movie cut off (the process killed, the power gone) stays readable: the
// headers are complete from the start and brought up to date every
// `checkpointFrames` frames, so a reader finds every frame up to there by
// walking the data. After a failed write (a full disk) the file is cut back
// to the last whole frame and finished as far as the disk allows.
//
// Not thread-safe: the owner (VideoWriter) serialises the calls.
#pragma once

#include "Common/capture/FrameBuffer.h"
#include "app/MovieFile.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace TavixCapture
{

class AviWriter
{
public:
    struct Layout
    {
        // The most a segment (one RIFF list) holds, indexes included.
        std::uint64_t segmentBytes = 1ull << 30;
        // Room kept in the header for the segments' index entries: with 1 GiB
        // segments, 16 TiB of movie.
        std::uint32_t segmentCapacity = 16384;
        // Frames between two updates of the headers (0: about a second's worth).
        std::uint32_t checkpointFrames = 0;
    };

    // Writes the headers of a movie of width x height at rateNumerator/1000
    // frames per second into `file`. Raises Exception on failure.
    AviWriter(std::unique_ptr<MovieFile> file, std::int32_t width, std::int32_t height,
              std::int32_t rateNumerator, const Layout& layout);
    ~AviWriter();
    AviWriter(const AviWriter&) = delete;
    AviWriter& operator=(const AviWriter&) = delete;

    // Appends one frame of the movie's size. Raises Exception when it cannot
    // be written; the frames before it stay in the file, and a writer that
    // failed takes no more frames.
    void WriteFrame(const Common::FrameBuffer& frame);
    // Writes the indexes and the final headers and hands the file to the
    // disk. Raises Exception when the movie could not be finished; the file
    // then still holds every frame written before, readable by walking it.
    void Finish();

    // Brings the headers up to date now and hands the file to the disk.
    // Never raises: a file that cannot be written fails at the next frame.
    void Checkpoint() noexcept;

    std::uint32_t GetFrameCount() const { return totalFrames_; }
    std::uint64_t GetFileSize() const { return end_; }

private:
    struct Segment
    {
        std::uint64_t riff = 0;                  // offset of "RIFF"
        std::uint64_t movi = 0;                  // offset of the "movi" list's "LIST"
        std::vector<std::uint32_t> frameOffsets; // of each frame's chunk, from the "movi" code
        bool closed = false;                     // its indexes are written
    };
    struct IndexEntry
    {
        std::uint64_t offset;
        std::uint32_t size;
        std::uint32_t frames;
    };

    void WriteHeaders();
    void StartSegment();
    void EndSegment();
    void UpdateHeaders();
    std::uint64_t ClosingBytes(std::size_t frames) const;
    void Write(std::uint64_t offset, const std::vector<std::uint8_t>& bytes);
    void WriteUInt32(std::uint64_t offset, std::uint32_t value);

    std::unique_ptr<MovieFile> file_;
    const std::int32_t width_;
    const std::int32_t height_;
    const std::int32_t rateNumerator_;
    const Layout layout_;
    const std::uint32_t imageSize_;
    std::uint32_t checkpointFrames_ = 1;

    std::uint64_t end_ = 0; // end of the last whole thing written
    bool failed_ = false;
    bool finished_ = false;
    std::uint32_t totalFrames_ = 0;
    std::uint32_t firstSegmentFrames_ = 0;
    std::uint32_t framesSinceCheckpoint_ = 0;
    Segment segment_;
    std::vector<IndexEntry> segmentIndex_;
    std::vector<std::uint8_t> chunk_; // "00db", size and the 24-bit image, reused

    // Offsets in the headers, set by WriteHeaders.
    std::uint64_t totalFramesField_ = 0; // avih dwTotalFrames
    std::uint64_t lengthField_ = 0;      // strh dwLength
    std::uint64_t superIndex_ = 0;       // "indx" chunk
    std::uint64_t odmlFramesField_ = 0;  // dmlh dwTotalFrames
};

} // namespace TavixCapture
