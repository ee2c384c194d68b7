// TavixMeasure::LineProfile: the values of R, G, B and luma sampled along a
// line at any angle. Coordinates are continuous image coordinates: pixel
// (x, y) covers [x, x + 1) x [y, y + 1), its centre is (x + 0.5, y + 0.5).
// The line is clipped to the frame first, so a line set on a larger frame
// still measures what is left of it.
//
// Where the samples lie: one on each pixel column the line passes over, at
// the column's centre (x + 0.5), for a line closer to horizontal; one on
// each pixel row, at its centre (y + 0.5), for a line closer to vertical.
// Across the line's direction the sample is the nearest pixel or lies
// between the two nearest pixel centres (bilinear); along it, it never falls
// between two. So the samples are fixed by the line's direction and the
// pixels it crosses, not by where its start falls within a pixel: moving
// the start along the line, or by a fraction of a pixel, changes no
// sample's value, and the widths measured along the line stay the same. The
// samples lie 1 / cos(angle) pixels apart (1 for a horizontal or vertical
// line, 1.414 at 45 degrees); the first lies Origin() pixels from the start.
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
    // shorter than one pixel after clipping, or crossing fewer than two pixel
    // centres, gives an empty profile.
    void Sample(const ImageView& image, const LineSegment& line, Interpolation interpolation);

    bool IsEmpty() const { return count_ == 0; }
    int Count() const { return count_; }
    // Distance in pixels between neighbouring samples (1 to 1.414).
    double Step() const { return step_; }
    // Distance in pixels from the line's start to the first sample.
    double Origin() const { return origin_; }
    // Distance in pixels from the line's start to sample `i`.
    double Position(int i) const { return origin_ + i * step_; }
    // The clipped line that was sampled.
    const LineSegment& Line() const { return line_; }
    // The samples of one channel, Count() of them, from the line's start.
    const float* Values(Channel channel) const { return values_[static_cast<int>(channel)].data(); }

private:
    std::array<std::vector<float>, ChannelCount> values_;
    int count_ = 0;
    double step_ = 0.0;
    double origin_ = 0.0;
    LineSegment line_;
};

} // namespace TavixMeasure
