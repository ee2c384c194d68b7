// frame_flow_bench: the model's share of every frame. Times OnFrame, reached
// as the backend reaches it (the device's sink under its locks), at 1920x1080
// and 3840x2160, beside the YUY2 conversion of a frame of the same size:
//   own work  - profiles and the call of "なし" with nobody listening;
//   posting   - the extra of telling three windows (a platform call each),
//               every window having taken the previous frame's messages.
// Prints microseconds per frame (medians of several runs) and, last, the
// larger share of the two sizes: "onframe share: P%" (own work / YUY2).
// Windows build; run under Wine by scripts/bench-frame-flow.sh.
#include "Common/PerformanceCounter.h"
#include "Common/capture/Device.h"
#include "Common/capture/VideoCapture.h"
#include "Common/capture/convert/ConvertToBgra.h"
#include "Common/ui/Window.h"
#include "app/MainModel.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace
{
constexpr int FramesPerRun = 200;
constexpr int Runs = 7;

class BenchFormat : public Common::FrameFormat
{
public:
    BenchFormat(std::int32_t formatWidth, std::int32_t formatHeight)
    {
        width = formatWidth;
        height = formatHeight;
        stride = formatWidth * 2;
        frameRate = 60.0;
    }
    const wchar_t* GetSubtypeName() const override { return L"YUY2"; }
};

// A device whose frames come when the benchmark says, as from a backend.
class BenchDevice : public Common::Device
{
public:
    BenchDevice(std::int32_t width, std::int32_t height)
    {
        name = L"Bench";
        path = L"\\\\?\\bench";
        formats.push_back(std::make_shared<BenchFormat>(width, height));
        ApplyFrameFormat();
    }
    bool IsOpened() const override { return opened_; }
    void Open() override { opened_ = true; }
    void Close() override { opened_ = false; }
    void Deliver()
    {
        Common::AutoLock lock(frameLock);
        NotifyFrame(frame);
    }

private:
    bool opened_ = false;
};

class HiddenWindow : public Common::Mfc::Window
{
public:
    HiddenWindow()
    {
        Attach(CreateWindowExW(0, L"STATIC", L"bench", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr));
        if (GetSafeHwnd() == nullptr)
        {
            std::fprintf(stderr, "no window: is there a display?\n");
            std::exit(2);
        }
    }
    ~HiddenWindow() override { ::DestroyWindow(Detach()); }
};

double Now()
{
    static const auto frequency = static_cast<double>(Common::PerformanceFrequency());
    return static_cast<double>(Common::PerformanceCounter()) / frequency;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Takes every queued notification as a window does: acknowledged, so the
// next frame posts again.
void TakeMessages(Common::Mfc::BindableBase& model, const std::vector<std::unique_ptr<HiddenWindow>>& windows)
{
    for (const auto& window : windows)
    {
        MSG message;
        const UINT notification = Common::Mfc::Window::GetPropertyChangedMessage();
        while (PeekMessageW(&message, window->GetSafeHwnd(), notification, notification, PM_REMOVE))
        {
            model.AcknowledgeNotification(window.get(), static_cast<std::int32_t>(message.lParam));
        }
    }
}

// Microseconds per delivered frame, median of the runs; `between` runs
// untimed after every frame.
template <class Between> double TimeFrames(BenchDevice& device, Between between)
{
    std::vector<double> runs;
    for (int run = 0; run < Runs + 1; ++run)
    {
        double total = 0;
        for (int i = 0; i < FramesPerRun; ++i)
        {
            const double start = Now();
            device.Deliver();
            total += Now() - start;
            between();
        }
        if (run > 0) // the first run warms up
        {
            runs.push_back(total / FramesPerRun * 1e6);
        }
    }
    return Median(runs);
}

double TimeYuy2(std::int32_t width, std::int32_t height)
{
    std::vector<std::uint8_t> source(static_cast<std::size_t>(width) * height * 2);
    for (std::size_t i = 0; i < source.size(); ++i)
    {
        source[i] = static_cast<std::uint8_t>(i * 131 + 17);
    }
    std::vector<std::uint8_t> destination(static_cast<std::size_t>(width) * height * 4);
    const Common::Convert::BgraImage image{destination.data(), width, height, width * 4};
    std::vector<double> runs;
    for (int run = 0; run < Runs + 1; ++run)
    {
        const int frames = 20;
        const double start = Now();
        for (int i = 0; i < frames; ++i)
        {
            Common::Convert::ConvertToBgra(Common::Convert::SourceLayout::YUY2, source.data(), width, height,
                                           width * 2, image);
        }
        if (run > 0)
        {
            runs.push_back((Now() - start) / frames * 1e6);
        }
    }
    return Median(runs);
}

std::wstring TempFolder()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetTempPathW(MAX_PATH, path);
    if (length == 0 || length >= MAX_PATH)
    {
        std::fprintf(stderr, "GetTempPathW failed\n");
        std::exit(2);
    }
    std::wstring folder = std::wstring(path, length) + L"tavix-frame-flow-bench\\";
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    {
        std::fprintf(stderr, "CreateDirectoryW failed: %lu\n", GetLastError());
        std::exit(2);
    }
    return folder;
}

struct Result
{
    double own;
    double posting;
    double yuy2;
};

Result Measure(std::int32_t width, std::int32_t height, const std::wstring& folder)
{
    auto device = std::make_shared<BenchDevice>(width, height);
    const TavixCapture::IniProfile profile(folder + L"TavixCapture.ini");
    // No plug-ins in the folder: the one processor is "なし".
    TavixCapture::MainModel model(
        profile,
        [device](std::int32_t, bool, bool)
        {
            auto capture = std::make_unique<Common::VideoCapture>();
            capture->devices.push_back(device);
            return capture;
        },
        0, true, false, folder);
    model.SetIsMarkerVisible(true);
    model.StartCapture();

    const double own = TimeFrames(*device, [] {});

    std::vector<std::unique_ptr<HiddenWindow>> windows;
    for (int i = 0; i < 3; ++i)
    {
        windows.push_back(std::make_unique<HiddenWindow>());
        model.AddListener(windows.back().get());
    }
    TakeMessages(model, windows);
    const double withWindows = TimeFrames(*device, [&] { TakeMessages(model, windows); });
    for (const auto& window : windows)
    {
        model.RemoveListener(window.get());
    }
    model.StopCapture();
    return Result{own, withWindows - own, TimeYuy2(width, height)};
}
} // namespace

int wmain()
{
    const std::wstring folder = TempFolder();
    std::printf("frame flow, microseconds per frame (median of %d runs of %d frames)\n", Runs, FramesPerRun);
    std::printf("%-10s %10s %14s %12s %8s\n", "size", "own work", "posting (3 w)", "YUY2 conv.", "share");
    double worst = 0;
    const SIZE sizes[] = {{1920, 1080}, {3840, 2160}};
    for (const SIZE size : sizes)
    {
        const Result result = Measure(size.cx, size.cy, folder);
        const double share = result.own / result.yuy2 * 100.0;
        worst = std::max(worst, share);
        char name[32];
        std::snprintf(name, sizeof(name), "%ldx%ld", size.cx, size.cy);
        std::printf("%-10s %10.2f %14.2f %12.1f %7.2f%%\n", name, result.own, result.posting, result.yuy2,
                    share);
    }
    DeleteFileW((folder + L"TavixCapture.ini").c_str());
    RemoveDirectoryW(folder.c_str());
    std::printf("onframe share: %.2f%%\n", worst);
    return 0;
}
