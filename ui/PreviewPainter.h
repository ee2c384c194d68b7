// TavixCapture::PreviewPainter: what the preview draws, on the render target
// of the paint at hand: the frame bitmap, the processor's overlay, the
// marker with its halo, the profiles and the debug text. Everything it
// draws with is made at paint time for the current target and frame size,
// so a lost target (D2DERR_RECREATE_TARGET, a display change) or a new frame
// size recovers by itself at the next paint, picture included.
//
// The frame bitmap ignores alpha: frames carry alpha that is not
// premultiplied (cameras' ARGB32, processors), and a pixel shows its colour
// whatever its alpha. One copy per painted frame, through the device's
// CopyLatestFrame (the delivery thread writes the image under its lock),
// after checking the image against its buffer: into a buffer of the
// painter's, which the bitmap takes after the lock is given back.
// A frame larger than the largest bitmap the target allows is shown scaled
// down by a whole factor. UI thread.
#pragma once

#include "Common/ComPointer.h"
#include "Common/capture/FrameBuffer.h"
#include "ui/PreviewGeometry.h"

#include <d2d1.h>
#include <dwrite.h>

#include <cstdint>
#include <string>
#include <vector>

namespace Tavix::Framework
{
struct IProcessor;
}

namespace TavixCapture
{

class MainModel;
class PreviewProcessor;

class PreviewPainter
{
public:
    PreviewPainter(MainModel& model, PreviewProcessor& processor);

    // What to draw over the picture besides the model's state.
    struct Overlay
    {
        bool hover;
        bool dragging;
        const std::wstring* debugText; // null or empty: none
    };

    // Paints the view; `newFrame`: a frame arrived since the last paint.
    void Paint(ID2D1RenderTarget& target, const PreviewGeometry& geometry, bool newFrame,
               const Overlay& overlay);
    // The target is gone: what was made on it goes too.
    void Discard() noexcept;

    // New frames put into the picture since the painter was made.
    std::uint64_t GetFramesShown() const { return framesShown_; }
    // 1 at full resolution, else the factor the picture is scaled down by.
    std::uint32_t GetReduction() const { return reduction_; }

private:
    void EnsureResources(ID2D1RenderTarget& target);
    void EnsureFrameBitmap(ID2D1RenderTarget& target, std::int32_t width, std::int32_t height);
    void LoadBlackImage(std::uint32_t width, std::uint32_t height);
    // False when no frame of this size was there to copy.
    bool CopyLatestFrame(std::int32_t width, std::int32_t height);
    // What CopyLatestFrame asks the device to copy (Common::Device::ImageChooser).
    struct ImageChoice
    {
        PreviewPainter* painter;
        Tavix::Framework::IProcessor* processor;
        std::int32_t width;
        std::int32_t height;
    };
    static const Common::FrameBuffer* ChooseImage(void* context, const Common::FrameBuffer& latest);
    void DrawProfiles(ID2D1RenderTarget& target, const PreviewGeometry::Placement& placement);
    void DrawMarker(ID2D1RenderTarget& target, const PreviewGeometry::Placement& placement,
                    const Overlay& overlay);

    MainModel& model_;
    PreviewProcessor& processor_;
    Common::ComPointer<IDWriteFactory> writeFactory_;
    Common::ComPointer<IDWriteTextFormat> textFormat_; // device-independent: made once

    // Made on the current target.
    ID2D1RenderTarget* madeOn_ = nullptr; // compared only, never called
    Common::ComPointer<ID2D1Bitmap> frameBitmap_;
    Common::ComPointer<ID2D1SolidColorBrush> textBrush_;
    Common::ComPointer<ID2D1SolidColorBrush> markerBrush_;
    Common::ComPointer<ID2D1RadialGradientBrush> idleHalo_;
    Common::ComPointer<ID2D1RadialGradientBrush> draggingHalo_;
    Common::ComPointer<ID2D1SolidColorBrush> redBrush_;
    Common::ComPointer<ID2D1SolidColorBrush> greenBrush_;
    Common::ComPointer<ID2D1SolidColorBrush> blueBrush_;

    std::int32_t frameWidth_ = 0; // the frame size the bitmap is for
    std::int32_t frameHeight_ = 0;
    std::uint32_t reduction_ = 1;
    bool bitmapNeedsFrame_ = false; // made anew: the latest frame goes in without waiting for the next
    std::uint64_t framesShown_ = 0;

    // Reused: the picture copied under the lock, the picture scaled down
    // (where it must be) and the black image, the profiles.
    Common::FrameBuffer shown_;
    std::vector<std::uint8_t> staging_;
    std::vector<std::uint32_t> rowProfile_;
    std::vector<std::uint32_t> columnProfile_;
    std::vector<D2D1_POINT_2F> profilePoints_;
};

} // namespace TavixCapture
