// TavixCapture::VideoWriter: the one open movie of the model. Kind 0 is an
// uncompressed AVI (24-bit DIB frames, rows bottom-up, numbered one after
// another and played at the nominal rate) of any length, written by AviWriter
// into a MovieFile (normally OpenMovieFile); kinds 1
// (WMV) and 2 (MP4, H.264 Main) go through a Media Foundation sink writer,
// each frame placed at its real time since the first frame written.
//
// The sink writer is made by a SinkWriterFactory, normally
// MFCreateSinkWriterFromURL; tests hand in factories of their own, and a
// segment size that makes small movies of several segments.
//
// Threads: Open and Close on the UI thread, WriteFrame on the movie's writer
// thread (MovieWriterThread) or, when nothing else writes, any one thread.
// The writer is its own lock and every operation holds it throughout, so a
// frame being written finishes before Close finishes the movie (row 9 of
// Common/LockOrder.h).
#pragma once

#include "Common/ComPointer.h"
#include "Common/CriticalSection.h"
#include "Common/capture/FrameBuffer.h"
#include "app/AviWriter.h"
#include "app/MovieFile.h"

#include <windows.h>

#include <mfidl.h>
#include <mfreadwrite.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace TavixCapture
{

// Makes a sink writer for a file: what MFCreateSinkWriterFromURL does.
using SinkWriterFactory = std::function<HRESULT(const std::wstring& path, IMFSinkWriter** writer)>;

// The platform's sink writer for `path` (no byte stream, no attributes).
HRESULT CreatePlatformSinkWriter(const std::wstring& path, IMFSinkWriter** writer);

class VideoWriter : public Common::CriticalSection
{
public:
    struct AviOptions
    {
        MovieFileFactory fileFactory = OpenMovieFile;
        AviWriter::Layout layout;
    };

    VideoWriter();
    explicit VideoWriter(SinkWriterFactory sinkWriterFactory);
    VideoWriter(SinkWriterFactory sinkWriterFactory, AviOptions aviOptions);
    ~VideoWriter() override;

    // Finishes any open movie, then starts a new one of `kind` (0 AVI, 1 WMV,
    // 2 MP4) of width x height at frameRate frames per second; bitRate in
    // bits per second (WMV and MP4 only). Raises Exception on failure and
    // leaves the writer closed; "不正なモードです。" for another kind.
    void Open(std::int32_t kind, const std::wstring& path, std::int32_t width, std::int32_t height,
              double frameRate, std::int32_t bitRate);
    // Appends one frame; does nothing (and returns false) when no movie is open.
    bool WriteFrame(const Common::FrameBuffer& frame);
    // The same for a frame captured at the performance counter `capturedAt`
    // (a WMV or MP4 frame is placed at that time).
    bool WriteFrame(const Common::FrameBuffer& frame, std::int64_t capturedAt);
    // Brings an open AVI movie's headers up to date and hands it to the
    // disk, so that it is whole as far as it goes. Never raises: a movie that
    // cannot be written fails at its next frame.
    void Checkpoint() noexcept;
    // Finishes the open movie, if any. Raises Exception when it could not be
    // finished (the writer is closed all the same): an AVI then still holds
    // every frame written before, readable by walking the file.
    void Close();

    bool IsOpen();

    // Rate numerator over a denominator of 1000: frameRate * 1000 rounded.
    static std::int32_t GetRateNumerator(double frameRate);
    // 10,000,000 / frameRate, truncated (100-nanosecond units).
    static LONGLONG GetSampleDuration(double frameRate);

private:
    void OpenAvi(const std::wstring& path, std::int32_t width, std::int32_t height, double frameRate);
    void OpenSinkWriter(const std::wstring& path, std::int32_t width, std::int32_t height, double frameRate,
                        std::int32_t bitRate);
    void WriteSinkWriterFrame(const Common::FrameBuffer& frame, std::int64_t capturedAt);
    void CheckFrameSize(const Common::FrameBuffer& frame) const;

    const SinkWriterFactory sinkWriterFactory_;
    const AviOptions aviOptions_;

    // All guarded by the writer's own lock.
    std::int32_t kind_ = 0;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::unique_ptr<AviWriter> avi_;
    Common::ComPointer<IMFSinkWriter> sinkWriter_;
    DWORD streamIndex_ = 0;
    std::int64_t counterFrequency_ = 0; // 0 until the first frame is written
    std::int64_t firstFrameCounter_ = 0;
    LONGLONG sampleDuration_ = 0;
};

} // namespace TavixCapture
