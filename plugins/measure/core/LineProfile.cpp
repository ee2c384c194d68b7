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
    const int count = static_cast<int>(std::floor(length)) + 1;
    for (auto& values : values_)
    {
        if (values.size() < static_cast<std::size_t>(count))
        {
            values.resize(static_cast<std::size_t>(count));
        }
    }
    step_ = length / (count - 1);
    const double dx = (line_.x1 - line_.x0) / (count - 1);
    const double dy = (line_.y1 - line_.y0) / (count - 1);
    float* red = values_[0].data();
    float* green = values_[1].data();
    float* blue = values_[2].data();
    float* luma = values_[3].data();
    for (int i = 0; i < count; ++i)
    {
        const double x = line_.x0 + dx * i;
        const double y = line_.y0 + dy * i;
        if (interpolation == Interpolation::Nearest)
        {
            const int px = std::clamp(static_cast<int>(x), 0, image.width - 1);
            const int py = std::clamp(static_cast<int>(y), 0, image.height - 1);
            const std::uint8_t* pixel = image.Pixel(px, py);
            red[i] = pixel[2];
            green[i] = pixel[1];
            blue[i] = pixel[0];
            luma[i] = static_cast<float>(Luma(pixel[2], pixel[1], pixel[0]));
            continue;
        }
        // Bilinear between the four pixel centres around the point; at the
        // frame's border the outer pixels repeat.
        const double u = x - 0.5;
        const double v = y - 0.5;
        const double fu = std::floor(u);
        const double fv = std::floor(v);
        const double wx = u - fu;
        const double wy = v - fv;
        const int xa = std::clamp(static_cast<int>(fu), 0, image.width - 1);
        const int xb = std::clamp(static_cast<int>(fu) + 1, 0, image.width - 1);
        const int ya = std::clamp(static_cast<int>(fv), 0, image.height - 1);
        const int yb = std::clamp(static_cast<int>(fv) + 1, 0, image.height - 1);
        const std::uint8_t* p00 = image.Pixel(xa, ya);
        const std::uint8_t* p10 = image.Pixel(xb, ya);
        const std::uint8_t* p01 = image.Pixel(xa, yb);
        const std::uint8_t* p11 = image.Pixel(xb, yb);
        const double w00 = (1.0 - wx) * (1.0 - wy);
        const double w10 = wx * (1.0 - wy);
        const double w01 = (1.0 - wx) * wy;
        const double w11 = wx * wy;
        auto mix = [&](int byte)
        { return static_cast<float>(w00 * p00[byte] + w10 * p10[byte] + w01 * p01[byte] + w11 * p11[byte]); };
        red[i] = mix(2);
        green[i] = mix(1);
        blue[i] = mix(0);
        luma[i] = static_cast<float>(w00 * Luma(p00[2], p00[1], p00[0]) + w10 * Luma(p10[2], p10[1], p10[0]) +
                                     w01 * Luma(p01[2], p01[1], p01[0]) + w11 * Luma(p11[2], p11[1], p11[0]));
    }
    count_ = count;
}

} // namespace TavixMeasure
