#include "RecordingSink.h"

#include "tools/VirtualCamera/TestPattern.h"

RecordingSink::RecordingSink(Common::Device& device) : device_(device)
{
    device_.RegisterSink(this, &RecordingSink::OnFrame, &RecordingSink::OnError);
}

RecordingSink::~RecordingSink()
{
    device_.ClearSink();
}

void RecordingSink::OnFrame(Common::Device&, void* context, const Common::FrameBuffer& frame)
{
    auto* sink = static_cast<RecordingSink*>(context);
    const auto counter =
        VirtualCamera::TestPattern::Decode(frame.pixels.data(), frame.width, frame.height, frame.stride);
    {
        std::lock_guard lock(sink->lock_);
        sink->counters_.push_back(counter ? static_cast<std::int64_t>(*counter) : -1);
        sink->lastAlpha_ = frame.pixels.empty() ? 0 : frame.pixels[3];
    }
    sink->arrived_.notify_all();
}

void RecordingSink::OnError(Common::Device&, void* context, const Common::Exception& error)
{
    auto* sink = static_cast<RecordingSink*>(context);
    std::lock_guard lock(sink->lock_);
    sink->errors_.push_back(error.Message);
}

bool RecordingSink::WaitForFrames(std::size_t count, std::chrono::milliseconds timeout)
{
    std::unique_lock lock(lock_);
    return arrived_.wait_for(lock, timeout, [&] { return counters_.size() >= count; });
}

std::vector<std::int64_t> RecordingSink::GetCounters()
{
    std::lock_guard lock(lock_);
    return counters_;
}

std::vector<std::wstring> RecordingSink::GetErrors()
{
    std::lock_guard lock(lock_);
    return errors_;
}

std::uint8_t RecordingSink::GetLastAlpha()
{
    std::lock_guard lock(lock_);
    return lastAlpha_;
}
