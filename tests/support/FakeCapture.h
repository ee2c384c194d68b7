// Test doubles of the capture abstraction: a format with a fixed subtype
// name, a device whose Open/Close only flip a flag and that delivers frames
// and errors when the test says so, and a backend holding such devices.
#pragma once

#include "Common/capture/VideoCapture.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

namespace TestSupport
{

class FakeFrameFormat : public Common::FrameFormat
{
public:
    FakeFrameFormat(const wchar_t* subtypeName, std::int32_t width, std::int32_t height, double frameRate);
    const wchar_t* GetSubtypeName() const override { return subtypeName_; }

private:
    const wchar_t* subtypeName_;
};

struct FormatInfo
{
    const wchar_t* subtypeName;
    std::int32_t width;
    std::int32_t height;
    double frameRate;
};

class FakeDevice : public Common::Device
{
public:
    FakeDevice(std::wstring deviceName, std::wstring devicePath,
               std::initializer_list<FormatInfo> formatInfos);

    // Raises the program's text for readFailure unless it is S_OK.
    void ReadFormats() override;
    bool IsOpened() const override { return opened_; }
    void Open() override;
    void Close() override;

    // Fills `frame` with `value` everywhere and delivers it, as a backend's
    // delivery thread does: an error of the frame handler comes back through
    // the error callback.
    void DeliverFrame(std::uint32_t value);
    // Delivers `frame` as it stands (after Paint or SetPixel).
    void Deliver();
    // Sets every pixel of `frame` to paint(x, y), or one pixel to `value`
    // (0xAARRGGBB, under frameLock).
    void Paint(const std::function<std::uint32_t(int x, int y)>& paint);
    void SetPixel(std::int32_t x, std::int32_t y, std::uint32_t value);
    void DeliverError(const Common::Exception& error);
    // Closes the device and tells the sink the stream ended with `error`.
    void EndStream(const Common::Exception& error);

    bool failOpen = false;
    HRESULT readFailure = S_OK;

private:
    std::atomic<bool> opened_ = false;
};

// A backend of fake devices, and the factory the model takes.
std::unique_ptr<Common::VideoCapture> MakeCapture(std::initializer_list<std::shared_ptr<FakeDevice>> devices);

} // namespace TestSupport
