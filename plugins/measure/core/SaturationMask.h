// TavixMeasure::SaturationMask: one byte a pixel saying which pixels of a
// frame are clipped: Saturated where any of red, green and blue is 255,
// otherwise Black (when asked for) where any of them is 0, otherwise None.
// The mask is drawn over the preview; the frame itself is never changed.
// Compute() (Begin()) allocates only when the frame grows. Any thread; one object is
// used by one thread at a time.
#pragma once

#include "Image.h"

#include <cstdint>
#include <vector>

namespace TavixMeasure
{

class SaturationMask
{
public:
    enum Mark : std::uint8_t
    {
        None = 0,
        Saturated = 1,
        Black = 2,
    };

    void Compute(const ImageView& image, bool markBlack);
    // The same in parts, for a pass that reads the frame's rows anyway and
    // marks each while it is in the cache: sizes the mask for `image` and
    // clears the counts...
    void Begin(const ImageView& image, bool markBlack);
    // ...then marks rows [y0, y1) of the same image, each row once.
    void MarkRows(const ImageView& image, int y0, int y1);

    int Width() const { return width_; }
    int Height() const { return height_; }
    // Width() x Height() marks, rows top-down.
    const std::uint8_t* Marks() const { return marks_.data(); }
    std::int64_t SaturatedCount() const { return saturated_; }
    std::int64_t BlackCount() const { return black_; }

private:
    std::vector<std::uint8_t> marks_;
    int width_ = 0;
    int height_ = 0;
    std::int64_t saturated_ = 0;
    std::int64_t black_ = 0;
    bool markBlack_ = false;
};

} // namespace TavixMeasure
