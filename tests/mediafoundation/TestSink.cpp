#include "TestSink.h"

#include "TestDevices.h"

namespace MediaFoundationTests
{

void TestSink::Register(Common::Device& device)
{
    device.RegisterSink(
        this,
        [](Common::Device& delivering, void* context, const Common::FrameBuffer& frame)
        {
            auto* sink = static_cast<TestSink*>(context);
            {
                std::lock_guard lock(sink->mutex_);
                ++sink->frames_;
                sink->lastFrame_ = frame;
            }
            if (sink->afterFrame)
            {
                sink->afterFrame(delivering);
            }
        },
        [](Common::Device&, void* context, const Common::Exception& error)
        {
            auto* sink = static_cast<TestSink*>(context);
            {
                std::lock_guard lock(sink->mutex_);
                sink->errors_.push_back(error);
            }
        });
}

bool TestSink::WaitForFrames(int count, DWORD milliseconds)
{
    return WaitUntil([&] { return GetFrameCount() >= count; }, milliseconds);
}

bool TestSink::WaitForErrors(int count, DWORD milliseconds)
{
    return WaitUntil([&] { return static_cast<int>(GetErrors().size()) >= count; }, milliseconds);
}

int TestSink::GetFrameCount()
{
    std::lock_guard lock(mutex_);
    return frames_;
}

std::vector<Common::Exception> TestSink::GetErrors()
{
    std::lock_guard lock(mutex_);
    return errors_;
}

Common::FrameBuffer TestSink::GetLastFrame()
{
    std::lock_guard lock(mutex_);
    return lastFrame_;
}

} // namespace MediaFoundationTests
