#include "MeasurementPipeline.h"

#include <utility>

namespace TavixMeasure
{

MeasurementPipeline::MeasurementPipeline() : helper_([this] { CountOnHelper(); }) {}

MeasurementPipeline::~MeasurementPipeline()
{
    {
        std::lock_guard<std::mutex> lock(lock_);
        stopping_ = true;
    }
    wake_.notify_one();
    helper_.join();
}

bool MeasurementPipeline::Measure(const ImageView& image, const MeasureSettings& settings,
                                  ChartQuantity quantity, double arrival)
{
    ++sequence_;
    {
        // Only this thread starts a count: once the helper is seen idle, it
        // stays idle, and the staged pixels are free, until handed over.
        std::lock_guard<std::mutex> lock(lock_);
        if (counting_)
        {
            ++skipped_;
            return false;
        }
    }
    back_->MeasureFrame(image, settings, arrival, sequence_, staged_);
    back_->skipped = skipped_;
    if (!back_->hasRegion)
    {
        // Nothing to count: published at once (no earlier frame is pending).
        const StripChart::Point point = back_->ChartPoint(quantity);
        std::lock_guard<std::mutex> lock(lock_);
        std::swap(back_, ready_);
        fresh_ = true;
        chart_.Add(point);
        return true;
    }
    {
        std::lock_guard<std::mutex> lock(lock_);
        std::swap(back_, handed_);
        handedQuantity_ = quantity;
        counting_ = true;
    }
    wake_.notify_one();
    return true;
}

void MeasurementPipeline::CountOnHelper()
{
    std::unique_lock<std::mutex> lock(lock_);
    for (;;)
    {
        wake_.wait(lock, [&] { return counting_ || stopping_; });
        if (stopping_)
        {
            return;
        }
        Measurement* measurement = handed_;
        const ChartQuantity quantity = handedQuantity_;
        lock.unlock();
        measurement->CountHistograms(staged_);
        const StripChart::Point point = measurement->ChartPoint(quantity);
        lock.lock();
        std::swap(handed_, ready_);
        fresh_ = true;
        chart_.Add(point);
        counting_ = false;
    }
}

const Measurement& MeasurementPipeline::Latest()
{
    std::lock_guard<std::mutex> lock(lock_);
    if (fresh_)
    {
        std::swap(front_, ready_);
        fresh_ = false;
    }
    return *front_;
}

void MeasurementPipeline::CopyChart(double seconds, std::vector<StripChart::Point>& points)
{
    std::lock_guard<std::mutex> lock(lock_);
    chart_.CopyLast(seconds, points);
}

void MeasurementPipeline::ClearChart()
{
    std::lock_guard<std::mutex> lock(lock_);
    chart_.Clear();
}

} // namespace TavixMeasure
