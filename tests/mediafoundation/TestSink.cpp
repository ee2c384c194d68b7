#include "TestSink.h"

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
                sink->lastFrame_ = frame.pixels;
            }
            if (sink->afterFrame)
            {
                sink->afterFrame(delivering);
            }
            SetEvent(sink->changed_.Get());
        },
        [](Common::Device&, void* context, const Common::Exception& error)
        {
            auto* sink = static_cast<TestSink*>(context);
            {
                std::lock_guard lock(sink->mutex_);
                sink->errors_.push_back(error);
            }
            SetEvent(sink->changed_.Get());
        });
}

bool TestSink::WaitFor(const std::function<bool()>& done, DWORD milliseconds)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    for (ULONGLONG now = GetTickCount64();; now = GetTickCount64())
    {
        {
            std::lock_guard lock(mutex_);
            if (done())
            {
                return true;
            }
        }
        if (now >= end)
        {
            return false;
        }
        WaitForSingleObject(changed_.Get(), static_cast<DWORD>(end - now));
    }
}

bool TestSink::WaitForFrames(int count, DWORD milliseconds)
{
    return WaitFor([&] { return frames_ >= count; }, milliseconds);
}

bool TestSink::WaitForErrors(int count, DWORD milliseconds)
{
    return WaitFor([&] { return static_cast<int>(errors_.size()) >= count; }, milliseconds);
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

std::vector<std::uint8_t> TestSink::GetLastFrame()
{
    std::lock_guard lock(mutex_);
    return lastFrame_;
}

} // namespace MediaFoundationTests
