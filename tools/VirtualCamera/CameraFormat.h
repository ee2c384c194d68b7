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
        // Described only, never streamed: IYUV, which a capture program lists
        // (Windows converts it) but cannot connect here, and H264, which it
        // must not list.
        IYUV,
        H264,
    };
    // How the format block is written: a VIDEOINFOHEADER or a
    // VIDEOINFOHEADER2 (both stream), or a block too short for a capture
    // program to trust (broken catalogue only).
    enum class Block
    {
        VideoInfo,
        VideoInfo2,
        ShortVideoInfo,
    };

    // The YUV matrix and nominal range a YUY2 format encodes with. Only a
    // VIDEOINFOHEADER2 can say so (in its control flags); a format that does
    // not say encodes as cameras mostly do, BT.601 studio range.
    enum class Colour
    {
        Unstated,
        Bt709Studio,
        Bt601Full,
    };

    CameraFormat(Layout layout, int width, int height, bool topDown, int framesPerSecond,
                 Block block = Block::VideoInfo, Colour colour = Colour::Unstated);

    Layout GetLayout() const { return layout_; }
    int GetWidth() const { return width_; }
    int GetHeight() const { return height_; }
    // True when the first row in memory is the top image row.
    bool IsTopDown() const { return topDown_ || layout_ == Layout::YUY2; }
    int GetFramesPerSecond() const { return framesPerSecond_; }
    Colour GetColour() const { return colour_; }
    REFERENCE_TIME GetFrameInterval() const { return 10'000'000 / framesPerSecond_; }
    int GetRowBytes() const;
    int GetImageBytes() const { return GetRowBytes() * height_; }
    bool IsDescribedOnly() const { return layout_ == Layout::IYUV || layout_ == Layout::H264; }
    bool IsStreamable() const
    {
        return block_ != Block::ShortVideoInfo && !IsDescribedOnly() && width_ > 0 && height_ > 0;
    }

    // Fills `mediaType` (which must hold nothing) with task-allocated contents.
    HRESULT FillMediaType(AM_MEDIA_TYPE& mediaType) const;
    // A task-allocated media type, as IAMStreamConfig and IEnumMediaTypes hand them out.
    HRESULT CreateMediaType(AM_MEDIA_TYPE** result) const;
    void FillCaps(VIDEO_STREAM_CONFIG_CAPS& caps) const;
    // Whether `mediaType` describes this format (a zero frame interval
    // matches any rate), and whether it does so for a format that streams.
    bool Describes(const AM_MEDIA_TYPE& mediaType) const;
    bool Matches(const AM_MEDIA_TYPE& mediaType) const;

    // The formats of the standard camera; of one that describes its formats
    // only with VIDEOINFOHEADER2 (as capture cards and other virtual cameras
    // do), two of them with their YUV colour; and of a broken one that offers nothing a capture program can
    // use. Under Wine 8 a sample grabber connects only to its exact subtype (Wine has no converters), so a
    // capture program gets these formats only by asking for each one's own subtype.
    static std::vector<CameraFormat> StandardCatalogue();
    static std::vector<CameraFormat> VideoInfo2Catalogue();
    // The one format of a preview pin: ARGB32 320x240, top-down, 15 fps.
    static std::vector<CameraFormat> PreviewCatalogue();
    static std::vector<CameraFormat> BrokenCatalogue();

    const GUID& GetSubtype() const;

private:
    WORD GetBitCount() const;
    // Negative for top-down RGB rows; YUV is top-down with a positive height.
    LONG GetBitmapHeight() const;
    DWORD GetCompression() const;

    Layout layout_;
    int width_;
    int height_;
    bool topDown_;
    int framesPerSecond_;
    Block block_;
    Colour colour_;
};

} // namespace VirtualCamera
