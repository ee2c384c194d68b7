#include "LineProfile.h"

#include <algorithm>
#include <cmath>

namespace TavixMeasure
{

double LineSegment::Length() const
{
    return std::hypot(x1 - x0, y1 - y0);
}

bool ClipSegment(LineSegment& line, int width, int height)
{
    if (width <= 0 || height <= 0)
    {
        return false;
    }
    // Liang-Barsky against a box a hair inside the frame's far edges, so
    // that every point of the result lies in a pixel of the frame.
    const double maxX = std::nextafter(static_cast<double>(width), 0.0);
    const double maxY = std::nextafter(static_cast<double>(height), 0.0);
    const double dx = line.x1 - line.x0;
    const double dy = line.y1 - line.y0;
    double t0 = 0.0;
    double t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {line.x0, maxX - line.x0, line.y0, maxY - line.y0};
    for (int i = 0; i < 4; ++i)
    {
        if (p[i] == 0.0)
        {
            if (q[i] < 0.0)
            {
                return false;
            }
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0)
        {
            t0 = std::max(t0, t);
        }
        else
        {
            t1 = std::min(t1, t);
        }
        if (t0 > t1)
        {
            return false;
        }
    }
    const LineSegment original = line;
    line.x0 = std::clamp(original.x0 + t0 * dx, 0.0, maxX);
    line.y0 = std::clamp(original.y0 + t0 * dy, 0.0, maxY);
    line.x1 = std::clamp(original.x0 + t1 * dx, 0.0, maxX);
    line.y1 = std::clamp(original.y0 + t1 * dy, 0.0, maxY);
    return true;
}

void LineProfile::Sample(const ImageView& image, const LineSegment& line, Interpolation interpolation)
{
    count_ = 0;
    step_ = 0.0;
    origin_ = 0.0;
    line_ = line;
    if (image.IsEmpty() || !std::isfinite(line.x0) || !std::isfinite(line.y0) || !std::isfinite(line.x1) ||
        !std::isfinite(line.y1) || !ClipSegment(line_, image.width, image.height))
    {
        return;
    }
    const double length = line_.Length();
    if (length < 1.0)
    {
        return;
    }
    // Along the major axis a (x for a line closer to horizontal), the pixel
    // centres k + 0.5 between the ends; across it, b follows the line.
    const bool alongX = std::abs(line_.x1 - line_.x0) >= std::abs(line_.y1 - line_.y0);
    const double a0 = alongX ? line_.x0 : line_.y0;
    const double a1 = alongX ? line_.x1 : line_.y1;
    const double b0 = alongX ? line_.y0 : line_.x0;
    const double b1 = alongX ? line_.y1 : line_.x1;
    const double direction = a1 >= a0 ? 1.0 : -1.0;
    // The first and last centres, counted from the start.
    const double first = direction > 0.0 ? std::ceil(a0 - 0.5) + 0.5 : std::floor(a0 - 0.5) + 0.5;
    const double last = direction > 0.0 ? std::floor(a1 - 0.5) + 0.5 : std::ceil(a1 - 0.5) + 0.5;
    const int count = static_cast<int>(std::floor((last - first) * direction + 0.5)) + 1;
    if (count < 2)
    {
        return;
    }
    for (auto& values : values_)
    {
        if (values.size() < static_cast<std::size_t>(count))
        {
            values.resize(static_cast<std::size_t>(count));
        }
    }
    const double span = std::abs(a1 - a0);
    step_ = length / span;
    origin_ = std::abs(first - a0) * step_;
    const double slope = (b1 - b0) / (a1 - a0); // b per unit of a
    const int majorSize = alongX ? image.width : image.height;
    const int minorSize = alongX ? image.height : image.width;
    auto pixel = [&](int major, int minor)
    { return alongX ? image.Pixel(major, minor) : image.Pixel(minor, major); };
    float* red = values_[0].data();
    float* green = values_[1].data();
    float* blue = values_[2].data();
    float* luma = values_[3].data();
    for (int i = 0; i < count; ++i)
    {
        const double a = first + direction * i;
        const double b = b0 + (a - a0) * slope;
        const int major = std::clamp(static_cast<int>(std::floor(a)), 0, majorSize - 1);
        if (interpolation == Interpolation::Nearest)
        {
            const int minor = std::clamp(static_cast<int>(std::floor(b)), 0, minorSize - 1);
            const std::uint8_t* p = pixel(major, minor);
            red[i] = p[2];
            green[i] = p[1];
            blue[i] = p[0];
            luma[i] = static_cast<float>(Luma(p[2], p[1], p[0]));
            continue;
        }
        // Between the two pixel centres across the line; at the frame's
        // border the outer pixel repeats.
        const double v = b - 0.5;
        const double floorV = std::floor(v);
        const double w = v - floorV;
        const int lowIndex = std::clamp(static_cast<int>(floorV), 0, minorSize - 1);
        const int highIndex = std::clamp(static_cast<int>(floorV) + 1, 0, minorSize - 1);
        const std::uint8_t* p = pixel(major, lowIndex);
        const std::uint8_t* q = pixel(major, highIndex);
        auto mix = [&](double low, double high) { return static_cast<float>(low + (high - low) * w); };
        red[i] = mix(p[2], q[2]);
        green[i] = mix(p[1], q[1]);
        blue[i] = mix(p[0], q[0]);
        luma[i] = mix(Luma(p[2], p[1], p[0]), Luma(q[2], q[1], q[0]));
    }
    count_ = count;
}

} // namespace TavixMeasure
