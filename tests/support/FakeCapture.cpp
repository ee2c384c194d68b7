#include "FakeCapture.h"

#include "Common/capture/CaptureFailure.h"

#include <cstring>

namespace TestSupport
{

FakeFrameFormat::FakeFrameFormat(const wchar_t* subtypeName, std::int32_t formatWidth,
                                 std::int32_t formatHeight, double rate)
    : subtypeName_(subtypeName)
{
    width = formatWidth;
    height = formatHeight;
    stride = formatWidth * 2;
    frameRate = rate;
}

FakeDevice::FakeDevice(std::wstring deviceName, std::wstring devicePath,
                       std::initializer_list<FormatInfo> formatInfos)
{
    name = std::move(deviceName);
    path = std::move(devicePath);
    for (const FormatInfo& info : formatInfos)
    {
        formats.push_back(
            std::make_shared<FakeFrameFormat>(info.subtypeName, info.width, info.height, info.frameRate));
    }
    if (!formats.empty())
    {
        ApplyFrameFormat();
    }
}

void FakeDevice::ReadFormats()
{
    if (FAILED(readFailure))
    {
        throw Common::CaptureFailure::Make(readFailure);
    }
}

void FakeDevice::Open()
{
    if (failOpen)
    {
        throw Common::Exception(static_cast<HRESULT>(E_FAIL));
    }
    opened_ = true;
}

void FakeDevice::Close()
{
    opened_ = false;
}

void FakeDevice::DeliverFrame(std::uint32_t value)
{
    Common::AutoLock lock(frameLock);
    for (std::size_t i = 0; i + 4 <= frame.pixels.size(); i += 4)
    {
        std::memcpy(frame.pixels.data() + i, &value, 4);
    }
    Deliver();
}

void FakeDevice::Deliver()
{
    Common::AutoLock lock(frameLock);
    try
    {
        NotifyFrame(frame);
    }
    catch (const Common::Exception& error)
    {
        // As a backend's delivery thread does with an error of the frame handler.
        NotifyError(error);
    }
}

void FakeDevice::Paint(const std::function<std::uint32_t(int x, int y)>& paint)
{
    Common::AutoLock lock(frameLock);
    for (int y = 0; y < frame.height; ++y)
    {
        for (int x = 0; x < frame.width; ++x)
        {
            SetPixel(x, y, paint(x, y));
        }
    }
}

void FakeDevice::SetPixel(std::int32_t x, std::int32_t y, std::uint32_t value)
{
    Common::AutoLock lock(frameLock);
    std::memcpy(frame.pixels.data() + static_cast<std::size_t>(y) * frame.stride +
                    static_cast<std::size_t>(x) * 4,
                &value, 4);
}

void FakeDevice::DeliverError(const Common::Exception& error)
{
    NotifyError(error);
}

void FakeDevice::EndStream(const Common::Exception& error)
{
    opened_ = false;
    NotifyStreamEnded(error);
}

std::unique_ptr<Common::VideoCapture> MakeCapture(std::initializer_list<std::shared_ptr<FakeDevice>> devices)
{
    auto capture = std::make_unique<Common::VideoCapture>();
    for (const auto& device : devices)
    {
        capture->devices.push_back(device);
    }
    return capture;
}

} // namespace TestSupport
