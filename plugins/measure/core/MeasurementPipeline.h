// TavixMeasure::MeasurementPipeline: measures frames on the thread that
// delivers them and leaves the costliest part, counting the region's
// histograms, to a helper thread of its own, which then publishes the
// complete measurement for the UI.
//
// Threads: Measure runs on one thread (the delivery thread). It measures
// into a buffer of its own, staging the region's pixels (StagedRegion), and
// hands buffer and staged pixels to the helper. The helper counts the
// histograms, then swaps the buffer with the "ready" one and adds the strip
// chart's point. Latest, on one other thread (the UI thread), swaps the ready
// buffer with its own. So each buffer is written by one thread at a time,
// and a published measurement holds the figures of one frame only.
// The lock is held only for those swaps and the chart's point: the delivery
// thread never waits for the helper's work. While the helper still counts an
// earlier frame, a frame is not measured at all: it is counted as skipped
// (Measurement::skipped of the next one published).
// Nothing is allocated per frame (the buffers grow with the frame).
#pragma once

#include "Measurement.h"
#include "StagedRegion.h"
#include "StripChart.h"

#include <array>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace TavixMeasure
{

class MeasurementPipeline
{
public:
    // Starts the helper thread.
    MeasurementPipeline();
    // Stops the helper thread (a frame it was counting is dropped).
    ~MeasurementPipeline();
    MeasurementPipeline(const MeasurementPipeline&) = delete;
    MeasurementPipeline& operator=(const MeasurementPipeline&) = delete;

    // Delivery thread: measures `image` (valid only during the call) with
    // `settings`; the strip chart takes the measurement's `quantity`. False
    // when the frame was skipped.
    bool Measure(const ImageView& image, const MeasureSettings& settings, ChartQuantity quantity,
                 double arrival);

    // UI thread: the newest complete measurement (sequence 0 before the
    // first); it stays unchanged until the next call.
    const Measurement& Latest();
    // The strip chart's points of the last `seconds`, oldest first.
    void CopyChart(double seconds, std::vector<StripChart::Point>& points);
    void ClearChart();

private:
    void CountOnHelper();

    std::array<Measurement, 4> buffers_;
    Measurement* back_ = &buffers_[0];  // delivery thread
    Measurement* front_ = &buffers_[3]; // UI thread
    std::uint64_t sequence_ = 0;        // delivery thread: frames offered
    std::uint64_t skipped_ = 0;         // delivery thread
    // The delivery thread's while the helper is idle, the helper's while it
    // counts.
    StagedRegion staged_;

    std::mutex lock_;
    std::condition_variable wake_;
    Measurement* handed_ = &buffers_[1]; // guarded by lock_; the helper's buffer
    bool counting_ = false;              // guarded: handed_ holds a frame for the helper
    ChartQuantity handedQuantity_ = ChartQuantity::RegionMean; // guarded
    bool stopping_ = false;                                    // guarded
    Measurement* ready_ = &buffers_[2];                        // guarded
    bool fresh_ = false;                                       // guarded: ready_ is newer than front_
    StripChart chart_;                                         // guarded

    std::thread helper_; // last: starts once everything above is built
};

} // namespace TavixMeasure
