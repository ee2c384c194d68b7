#include "TestSink.h"

namespace MediaFoundationTests
{

TestSink::TestSink() : changed_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

TestSink::~TestSink()
{
    CloseHandle(changed_);
}

void TestSink::Register(Common::Device& device)
{
    device.RegisterSink(this, &TestSink::OnFrame, &TestSink::OnError);
}

void TestSink::OnFrame(Common::Device& device, void* context, const Common::FrameBuffer& frame)
{
    auto* sink = static_cast<TestSink*>(context);
    {
        std::lock_guard lock(sink->mutex_);
        ++sink->frames_;
        sink->lastFrame_ = frame.pixels;
    }
    if (sink->afterFrame)
    {
        sink->afterFrame(device);
    }
    SetEvent(sink->changed_);
}

void TestSink::OnError(Common::Device&, void* context, const Common::Exception& error)
{
    auto* sink = static_cast<TestSink*>(context);
    {
        std::lock_guard lock(sink->mutex_);
        sink->errors_.push_back({error.ErrorCode, error.File, error.Line});
    }
    SetEvent(sink->changed_);
}

bool TestSink::WaitFor(const std::function<bool()>& done, DWORD milliseconds)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    for (;;)
    {
        {
            std::lock_guard lock(mutex_);
            if (done())
            {
                return true;
            }
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= end)
        {
            return false;
        }
        WaitForSingleObject(changed_, static_cast<DWORD>(end - now));
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

std::vector<SinkError> TestSink::GetErrors()
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
