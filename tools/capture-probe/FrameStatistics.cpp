#include "FrameStatistics.h"

#include "Common/PerformanceCounter.h"
#include "tools/VirtualCamera/TestPattern.h"

#include <windows.h>

#include <algorithm>

FrameStatistics::FrameStatistics() : frequency_(Common::PerformanceFrequency()) {}

void FrameStatistics::Add(const Common::FrameBuffer& frame)
{
    const std::int64_t now = Common::PerformanceCounter();
    if (frames_ == 0)
    {
        first_ = now;
    }
    else
    {
        const std::int64_t interval = now - last_;
        minimumInterval_ = frames_ == 1 ? interval : std::min(minimumInterval_, interval);
        maximumInterval_ = std::max(maximumInterval_, interval);
    }
    last_ = now;
    ++frames_;

    const std::optional<std::uint32_t> counter =
        VirtualCamera::TestPattern::Decode(frame.pixels.data(), frame.width, frame.height, frame.stride);
    if (!counter)
    {
        ++undecodable_;
        return;
    }
    // Measured against the highest counter so far: a frame from the past is
    // a repeat and does not make the frames after it look like gaps.
    if (lastCounter_ && *counter <= *lastCounter_)
    {
        ++repeats_;
        return;
    }
    if (lastCounter_ && *counter > *lastCounter_ + 1)
    {
        gaps_ += *counter - *lastCounter_ - 1;
    }
    lastCounter_ = counter;
}

double FrameStatistics::Seconds(std::int64_t ticks) const
{
    return static_cast<double>(ticks) / static_cast<double>(frequency_);
}

double FrameStatistics::GetFrameRate() const
{
    return frames_ < 2 || last_ == first_ ? 0.0 : static_cast<double>(frames_ - 1) / Seconds(last_ - first_);
}

double FrameStatistics::GetMinimumIntervalMs() const
{
    return Seconds(minimumInterval_) * 1000.0;
}

double FrameStatistics::GetMaximumIntervalMs() const
{
    return Seconds(maximumInterval_) * 1000.0;
}

double FrameStatistics::GetAverageIntervalMs() const
{
    return frames_ < 2 ? 0.0 : Seconds(last_ - first_) * 1000.0 / static_cast<double>(frames_ - 1);
}
