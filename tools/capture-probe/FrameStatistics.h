// FrameStatistics: what the probe measures about delivered frames: count,
// delivery intervals, and (for the virtual camera's test pattern) gaps and
// repeats in the frame counter. Fed on the delivery thread under the device's
// frameLock; read on the main thread after the device is closed.
#pragma once

#include "Common/capture/FrameBuffer.h"

#include <cstdint>
#include <optional>

class FrameStatistics
{
public:
    FrameStatistics();

    // One delivered frame. No allocation.
    void Add(const Common::FrameBuffer& frame);
    void AddError() { ++errors_; }

    std::uint64_t GetFrames() const { return frames_; }
    std::uint64_t GetGaps() const { return gaps_; }
    std::uint64_t GetRepeats() const { return repeats_; }
    std::uint64_t GetUndecodable() const { return undecodable_; }
    std::uint64_t GetErrors() const { return errors_; }
    // Frames per second between the first and the last delivery.
    double GetFrameRate() const;
    double GetMinimumIntervalMs() const;
    double GetMaximumIntervalMs() const;
    double GetAverageIntervalMs() const;

private:
    double Seconds(std::int64_t ticks) const;

    std::int64_t frequency_ = 1;
    std::uint64_t frames_ = 0;
    std::uint64_t gaps_ = 0;
    std::uint64_t repeats_ = 0;
    std::uint64_t undecodable_ = 0;
    std::uint64_t errors_ = 0;
    std::int64_t first_ = 0;
    std::int64_t last_ = 0;
    std::int64_t minimumInterval_ = 0;
    std::int64_t maximumInterval_ = 0;
    std::optional<std::uint32_t> lastCounter_; // the highest counter so far
};
