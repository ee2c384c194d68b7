#include "StripChart.h"

#include <algorithm>

namespace TavixMeasure
{

StripChart::StripChart(std::size_t capacity) : ring_(std::max<std::size_t>(capacity, 1)) {}

void StripChart::Add(const Point& point)
{
    if (size_ > 0 && point.time < ring_[(first_ + size_ - 1) % ring_.size()].time)
    {
        Clear();
    }
    if (size_ == ring_.size())
    {
        ring_[first_] = point;
        first_ = (first_ + 1) % ring_.size();
        return;
    }
    ring_[(first_ + size_) % ring_.size()] = point;
    ++size_;
}

void StripChart::Clear()
{
    first_ = 0;
    size_ = 0;
}

void StripChart::CopyLast(double seconds, std::vector<Point>& out) const
{
    out.clear();
    if (size_ == 0)
    {
        return;
    }
    const double newest = ring_[(first_ + size_ - 1) % ring_.size()].time;
    // Times rise along the ring: find the first point inside the window.
    std::size_t low = 0;
    std::size_t high = size_;
    while (low < high)
    {
        const std::size_t middle = (low + high) / 2;
        if (ring_[(first_ + middle) % ring_.size()].time < newest - seconds)
        {
            low = middle + 1;
        }
        else
        {
            high = middle;
        }
    }
    out.reserve(size_ - low);
    for (std::size_t i = low; i < size_; ++i)
    {
        out.push_back(ring_[(first_ + i) % ring_.size()]);
    }
}

} // namespace TavixMeasure
