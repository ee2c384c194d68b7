// TavixMeasure::StripChart: timed values of the last seconds, kept in a ring
// of fixed capacity that is allocated once. Each point has a time in seconds
// (from the frames' arrival) and one value per channel (or the line figure
// in the first). Not synchronised: its owner guards it.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

namespace TavixMeasure
{

class StripChart
{
public:
    static constexpr std::size_t Values = 4;
    struct Point
    {
        double time = 0.0;
        std::array<double, Values> values{};
    };

    explicit StripChart(std::size_t capacity = 65536);

    // Appends a point; the oldest point goes when the ring is full. A time
    // earlier than the last point's (a clock reset) starts the chart anew.
    void Add(const Point& point);
    void Clear();
    // Points not older than `seconds` before the newest, oldest first.
    void CopyLast(double seconds, std::vector<Point>& out) const;
    std::size_t Size() const { return size_; }
    bool IsEmpty() const { return size_ == 0; }

private:
    std::vector<Point> ring_;
    std::size_t first_ = 0; // index of the oldest point
    std::size_t size_ = 0;
};

} // namespace TavixMeasure
