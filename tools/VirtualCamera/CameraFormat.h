// VirtualCamera::CameraFormat: one format the virtual camera offers: pixel
// layout, size, row order and frame rate, with the DirectShow media type and
// stream capabilities that describe it. Immutable values; any thread.
#pragma once

#include <windows.h>

#include <strmif.h>

#include <cstdint>
#include <string>
#include <vector>

namespace VirtualCamera
{

class CameraFormat
{
public:
    enum class Layout
    {
        ARGB32, // 4 bytes a pixel, alpha 0xFF
        RGB32,
        RGB24, // rows padded to 4 bytes
        YUY2,  // always top-down, whatever the sign of the height
    };
    // How the format block is written: a sound VIDEOINFOHEADER, or the kinds
    // of blocks a capture program must not trust (broken catalogue only).
    enum class Block
    {
        VideoInfo,
        VideoInfo2,
        ShortVideoInfo,
    };

    CameraFormat(Layout layout, int width, int height, bool topDown, int framesPerSecond,
                 Block block = Block::VideoInfo);

    Layout GetLayout() const { return layout_; }
    int GetWidth() const { return width_; }
    int GetHeight() const { return height_; }
    // True when the first row in memory is the top image row.
    bool IsTopDown() const { return topDown_ || layout_ == Layout::YUY2; }
    int GetFramesPerSecond() const { return framesPerSecond_; }
    REFERENCE_TIME GetFrameInterval() const { return 10'000'000 / framesPerSecond_; }
    int GetRowBytes() const;
    int GetImageBytes() const { return GetRowBytes() * height_; }
    bool IsStreamable() const { return block_ == Block::VideoInfo && width_ > 0 && height_ > 0; }

    // Fills `mediaType` (which must hold nothing) with task-allocated contents.
    HRESULT FillMediaType(AM_MEDIA_TYPE& mediaType) const;
    // A task-allocated media type, as IAMStreamConfig and IEnumMediaTypes hand them out.
    HRESULT CreateMediaType(AM_MEDIA_TYPE** result) const;
    void FillCaps(VIDEO_STREAM_CONFIG_CAPS& caps) const;
    // Whether `mediaType` describes this format (a zero frame interval matches any rate).
    bool Matches(const AM_MEDIA_TYPE& mediaType) const;

    // The formats of the standard camera, and of the broken one that offers
    // nothing a capture program can use.
    // Under Wine 8 only the ARGB32 formats connect to a sample grabber that
    // asks for ARGB32: the grabber takes its exact subtype only (not even
    // RGB32), and Wine has no filter that converts YUY2, RGB24 or RGB32 to
    // it, so RenderStream fails with VFW_E_CANNOT_CONNECT for the others. On
    // Windows the platform's converters are expected to connect them (not
    // tried here).
    static std::vector<CameraFormat> StandardCatalogue();
    static std::vector<CameraFormat> BrokenCatalogue();

private:
    const GUID& GetSubtype() const;
    WORD GetBitCount() const;
    DWORD GetCompression() const;

    Layout layout_;
    int width_;
    int height_;
    bool topDown_;
    int framesPerSecond_;
    Block block_;
};

} // namespace VirtualCamera
