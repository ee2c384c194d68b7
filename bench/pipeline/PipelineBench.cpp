// pipeline_bench: the program's capture path end to end, as it runs in the
// program: the virtual camera through the DirectShow backend and the frame
// conversion to the model, its processor and notifications, and the main
// window with the preview showing the frames. Captures one format of the
// virtual camera (ARGB32 unless another subtype is named: YUY2 and RGB24
// are converted by the program's own transformers, ARGB32 copied) for a
// while and prints one line:
//
//   SUBTYPE:WxH@R delivered D dropped X repeated Y shown S status_fps F
//         conversion_us C processing_us P notification_us N queue_ms Q
//
// delivered: frames the model received; dropped and repeated: gaps and
// repeats in the counter the camera paints into each frame, read on the
// delivery thread by the "フレーム計数" processor (bench/pipeline); shown:
// frames the preview painted; status_fps: what the status bar says at the
// end; the microseconds: the delivery thread's time per frame (conversion
// from the sample's arrival to the converted frame, the model's profiles
// and processor, telling the windows); queue_ms: the longest a message
// posted to the UI thread waited before it was taken, probed every 50 ms.
//
//   pipeline_bench WIDTH HEIGHT RATE SECONDS [SUBTYPE]
// Windows build; run under Wine by scripts/bench-pipeline.sh with the
// virtual camera registered.
#include "Common/Exception.h"
#include "Common/PerformanceCounter.h"
#include "app/CaptureBackendFactory.h"
#include "app/IniProfile.h"
#include "app/MainModel.h"
#include "app/StartupOptions.h"
#include "ui/MainWindow.h"

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

namespace
{
constexpr UINT ProbeMessage = WM_APP + 0x77;

std::wstring Directory(const std::wstring& path)
{
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

int Run(std::int32_t width, std::int32_t height, double rate, double seconds, const std::wstring& subtype)
{
    INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX), 0xFF};
    InitCommonControlsEx(&controls);
    wchar_t executable[MAX_PATH] = {};
    Common::Mfc::ThrowLastErrorIf(GetModuleFileNameW(nullptr, executable, MAX_PATH) == 0);
    // The counting processor's folder is the model's program folder: it
    // lists that processor alone and keeps its settings there.
    const std::wstring folder = Directory(executable) + L"pipeline\\";
    const std::wstring ini = folder + L"PipelineBench.ini";
    DeleteFileW(ini.c_str());
    const TavixCapture::IniProfile profile(ini);
    TavixCapture::MainModel model(profile, TavixCapture::CreateCaptureBackend, 1, false, false, folder);

    const auto& devices = model.GetCapture().devices;
    const auto camera =
        std::find_if(devices.begin(), devices.end(),
                     [](const auto& device) { return device->name == L"Tavix Virtual Camera"; });
    if (camera == devices.end())
    {
        std::fprintf(stderr, "the virtual camera is not registered\n");
        return 2;
    }
    model.SelectDevice(static_cast<std::int32_t>(camera - devices.begin()));
    const auto& formats = (*camera)->GetFormats();
    const auto format = std::find_if(formats.begin(), formats.end(),
                                     [&](const auto& f)
                                     {
                                         return f->GetSubtypeName() == subtype && f->width == width &&
                                                f->height == height && std::fabs(f->frameRate - rate) < 0.5;
                                     });
    if (format == formats.end())
    {
        std::fprintf(stderr, "the camera has no %ls %dx%d at %g fps\n", subtype.c_str(), width, height, rate);
        return 2;
    }
    model.SelectFrameFormat(static_cast<std::int32_t>(format - formats.begin()));
    model.SelectProcessorByName(L"フレーム計数");
    model.SetViewRatio(50);

    TavixCapture::StartupOptions options;
    TavixCapture::MainWindow window(&model, options);
    window.Create(nullptr);
    ShowWindow(window.GetSafeHwnd(), SW_SHOW);
    UpdateWindow(window.GetSafeHwnd());

    const auto frequency = static_cast<double>(Common::PerformanceFrequency());
    const auto delivered0 = model.GetDeliveredFrameCount();
    const auto device0 = model.GetCurrentDevice().GetDeliveryTimes();
    const auto model0 = model.GetFrameTimes();
    const auto shown0 = window.GetPreview().GetFramesShown();
    model.StartCapture();

    // The UI thread as the program runs it, with a probe posted every 50 ms.
    const std::int64_t end = Common::PerformanceCounter() + static_cast<std::int64_t>(seconds * frequency);
    std::int64_t nextProbe = Common::PerformanceCounter();
    double longestQueueMs = 0.0;
    for (;;)
    {
        const std::int64_t now = Common::PerformanceCounter();
        if (now >= end)
        {
            break;
        }
        if (now >= nextProbe)
        {
            PostThreadMessageW(GetCurrentThreadId(), ProbeMessage, 0, static_cast<LPARAM>(now));
            nextProbe = now + static_cast<std::int64_t>(frequency / 20);
        }
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        {
            if (message.message == ProbeMessage && message.hwnd == nullptr)
            {
                longestQueueMs = std::max(longestQueueMs, (Common::PerformanceCounter() - message.lParam) *
                                                              1000.0 / frequency);
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        const auto wait = static_cast<DWORD>(
            std::max<std::int64_t>(1, std::min(end, nextProbe) - Common::PerformanceCounter()) * 1000 /
                static_cast<std::int64_t>(frequency) +
            1);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
    }
    const std::wstring status = window.GetStatusBar().GetPaneText(0);
    model.StopCapture();

    const auto delivered = model.GetDeliveredFrameCount() - delivered0;
    const auto device1 = model.GetCurrentDevice().GetDeliveryTimes();
    const auto model1 = model.GetFrameTimes();
    const auto shown = window.GetPreview().GetFramesShown() - shown0;
    std::uint64_t counted = 0, gaps = 0, repeats = 0, undecodable = 0;
    using Counts = void(__stdcall*)(std::uint64_t*, std::uint64_t*, std::uint64_t*, std::uint64_t*);
    const HMODULE counter = GetModuleHandleW(L"TavixPipelineCounter.dll");
    // Through void (*)(), the generic function pointer type, as the address
    // of an export has the platform's generic type.
    const auto getCounts = counter != nullptr ? reinterpret_cast<Counts>(reinterpret_cast<void (*)()>(
                                                    GetProcAddress(counter, "GetPipelineCounts")))
                                              : nullptr;
    if (getCounts == nullptr)
    {
        std::fprintf(stderr, "the counting processor is not loaded\n");
        return 2;
    }
    getCounts(&counted, &gaps, &repeats, &undecodable);
    const double perFrame = delivered > 0 ? 1e6 / frequency / static_cast<double>(delivered) : 0.0;
    double statusFps = 0.0;
    std::swscanf(status.c_str(), L"FPS = %lf", &statusFps);
    std::printf("%ls:%dx%d@%g delivered %llu dropped %llu repeated %llu shown %llu status_fps %.1f "
                "conversion_us %.0f processing_us %.0f notification_us %.0f queue_ms %.0f\n",
                subtype.c_str(), width, height, rate, static_cast<unsigned long long>(delivered),
                static_cast<unsigned long long>(gaps), static_cast<unsigned long long>(repeats),
                static_cast<unsigned long long>(shown), statusFps,
                static_cast<double>(device1.conversion - device0.conversion) * perFrame,
                static_cast<double>(model1.processing - model0.processing) * perFrame,
                static_cast<double>(model1.notification - model0.notification) * perFrame, longestQueueMs);
    if (undecodable > 0 || counted != delivered)
    {
        std::fprintf(stderr, "%llu frames without a readable counter; %llu counted of %llu\n",
                     static_cast<unsigned long long>(undecodable), static_cast<unsigned long long>(counted),
                     static_cast<unsigned long long>(delivered));
    }
    return 0;
}
} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 5 && argc != 6)
    {
        std::fprintf(stderr, "usage: pipeline_bench WIDTH HEIGHT RATE SECONDS [SUBTYPE]\n");
        return 2;
    }
    try
    {
        return Run(std::wcstol(argv[1], nullptr, 10), std::wcstol(argv[2], nullptr, 10),
                   std::wcstod(argv[3], nullptr), std::wcstod(argv[4], nullptr),
                   argc == 6 ? argv[5] : L"ARGB32");
    }
    catch (const Common::Exception& error)
    {
        std::fwprintf(stderr, L"pipeline_bench: %ls\n", error.GetLocatedMessage().c_str());
        return 1;
    }
}
