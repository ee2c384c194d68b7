// TavixMeasure::LineProfile: the values of R, G, B and luma sampled along a
// line at any angle, one sample per pixel of length. Coordinates are
// continuous image coordinates: pixel (x, y) covers [x, x + 1) x [y, y + 1),
// its centre is (x + 0.5, y + 0.5). The line is clipped to the frame first,
// so a line set on a larger frame still measures what is left of it.
// Sample() allocates only when the line grows longer than any before.
// Any thread; one object is used by one thread at a time.
#pragma once

#include "Image.h"

#include <array>
#include <vector>

namespace TavixMeasure
{

struct LineSegment
{
    double x0 = 0.0;
    double y0 = 0.0;
    double x1 = 0.0;
    double y1 = 0.0;

    double Length() const;
};

enum class Interpolation
{
    Nearest = 0,  // the pixel the sample point lies in
    Bilinear = 1, // weighted from the four nearest pixel centres
};

// Clips `line` to the frame [0, width) x [0, height); false when nothing of
// it lies inside (or the frame is empty).
bool ClipSegment(LineSegment& line, int width, int height);

class LineProfile
{
public:
    // Samples `line` (clipped to the image) with `interpolation`. A line
    // shorter than one pixel after clipping gives an empty profile.
    void Sample(const ImageView& image, const LineSegment& line, Interpolation interpolation);

    bool IsEmpty() const { return count_ == 0; }
    int Count() const { return count_; }
    // Distance in pixels between neighbouring samples (about 1).
    double Step() const { return step_; }
    // The clipped line that was sampled.
    const LineSegment& Line() const { return line_; }
    // The samples of one channel, Count() of them, from the line's start.
    const float* Values(Channel channel) const { return values_[static_cast<int>(channel)].data(); }

private:
    std::array<std::vector<float>, ChannelCount> values_;
    int count_ = 0;
    double step_ = 0.0;
    LineSegment line_;
};

} // namespace TavixMeasure
