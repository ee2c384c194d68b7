// capture-probe: a console diagnostic of the program's capture backends.
//   capture-probe --api dshow|mf --list
//   capture-probe --api dshow|mf --device I --format J --seconds N
// The first lists every device and format the backend reports, with the
// names, paths and display names the program shows. The second streams N
// seconds from device I in format J through the program's own backend code
// and reports what arrived; its last line is
//   frames D gaps G repeats R fps F
// (gaps and repeats are read from the virtual camera's frame counter).
// Ctrl+C ends a stream early, with the same report. The exit code is 0, 1
// after an error (also when the output could not be written) or 2 for bad
// arguments.
// Main thread; frames arrive on the backend's delivery thread.
#include "ConsoleOutput.h"
#include "ConsoleStop.h"
#include "FrameStatistics.h"

#include "Common/ComInitializer.h"
#include "Common/Exception.h"
#include "Common/capture/VideoCapture.h"
#include "Common/capture/directshow/DirectShowVideoCapture.h"

#include "Common/capture/mediafoundation/MediaFoundationInitializer.h"
#include "Common/capture/mediafoundation/MediaFoundationVideoCapture.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

namespace
{

struct Options
{
    std::wstring api;
    bool list = false;
    std::optional<int> device;
    std::optional<int> format;
    std::optional<double> seconds;
};

const wchar_t Usage[] = L"使い方: capture-probe --api dshow|mf --list\n"
                        L"        capture-probe --api dshow|mf --device I --format J --seconds N";

std::optional<int> ParseIndex(const wchar_t* text)
{
    wchar_t* end = nullptr;
    const long value = std::wcstol(text, &end, 10);
    if (end == text || *end != L'\0' || value < 0 || value > 100000)
    {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

std::optional<double> ParseSeconds(const wchar_t* text)
{
    wchar_t* end = nullptr;
    const double value = std::wcstod(text, &end);
    if (end == text || *end != L'\0' || !(value > 0.0) || value > 86400.0)
    {
        return std::nullopt;
    }
    return value;
}

// Returns an error text, or nothing when the options are complete.
std::optional<std::wstring> ParseOptions(int argc, wchar_t** argv, Options& options)
{
    for (int i = 1; i < argc; ++i)
    {
        const std::wstring name = argv[i];
        if (name == L"--list")
        {
            options.list = true;
            continue;
        }
        if (name != L"--api" && name != L"--device" && name != L"--format" && name != L"--seconds")
        {
            return L"不明な引数です: " + name;
        }
        if (i + 1 >= argc)
        {
            return name + L" の値がありません。";
        }
        const std::wstring value = argv[++i];
        if (name == L"--api")
        {
            options.api = value;
        }
        else if (name == L"--device" && !(options.device = ParseIndex(value.c_str())))
        {
            return L"--device には 0 以上の整数を指定してください: " + value;
        }
        else if (name == L"--format" && !(options.format = ParseIndex(value.c_str())))
        {
            return L"--format には 0 以上の整数を指定してください: " + value;
        }
        else if (name == L"--seconds" && !(options.seconds = ParseSeconds(value.c_str())))
        {
            return L"--seconds には正の秒数を指定してください: " + value;
        }
    }
    if (options.api != L"dshow" && options.api != L"mf")
    {
        return std::wstring(L"--api には dshow か mf を指定してください。");
    }
    if (options.list ==
        (options.device.has_value() || options.format.has_value() || options.seconds.has_value()))
    {
        return std::wstring(L"--list か、--device と --format と --seconds の組を指定してください。");
    }
    if (!options.list && !(options.device && options.format && options.seconds))
    {
        return std::wstring(L"--device と --format と --seconds をすべて指定してください。");
    }
    return std::nullopt;
}

std::wstring Fixed(double value, int decimals)
{
    std::wostringstream text;
    text.setf(std::ios::fixed);
    text.precision(decimals);
    text << value;
    return text.str();
}

void ListDevices(Common::VideoCapture& capture, ConsoleOutput& out)
{
    if (capture.devices.empty())
    {
        out.WriteLine(L"キャプチャーデバイスがありません。");
        return;
    }
    for (std::size_t d = 0; d < capture.devices.size(); ++d)
    {
        Common::Device& device = *capture.devices[d];
        out.WriteLine(L"device " + std::to_wstring(d) + L": " + device.name);
        out.WriteLine(L"  path: " + device.path);
        try
        {
            device.ReadFormats();
        }
        catch (const Common::Exception& error)
        {
            out.WriteLine(L"  使えません: " + error.Message);
        }
        for (std::size_t f = 0; f < device.GetFormats().size(); ++f)
        {
            const Common::FrameFormat& format = *device.GetFormats()[f];
            out.WriteLine(L"  format " + std::to_wstring(f) + L": " + format.GetName() + L"  stride " +
                          std::to_wstring(format.stride));
        }
    }
}

struct StreamSink
{
    FrameStatistics statistics;
    ConsoleOutput* errors = nullptr;

    static void OnFrame(Common::Device&, void* context, const Common::FrameBuffer& frame)
    {
        static_cast<StreamSink*>(context)->statistics.Add(frame);
    }
    static void OnError(Common::Device&, void* context, const Common::Exception& error,
                        Common::Device::ErrorEffect effect)
    {
        auto* sink = static_cast<StreamSink*>(context);
        sink->statistics.AddError();
        const bool ended = effect == Common::Device::ErrorEffect::StreamEnded;
        sink->errors->WriteLine((ended ? L"エラー（停止）: " : L"エラー: ") + error.GetLocatedMessage());
    }
};

int Stream(Common::VideoCapture& capture, const Options& options, const ConsoleStop& stop, ConsoleOutput& out,
           ConsoleOutput& err)
{
    const auto deviceIndex = static_cast<std::size_t>(*options.device);
    if (deviceIndex >= capture.devices.size())
    {
        err.WriteLine(L"デバイス " + std::to_wstring(deviceIndex) + L" はありません（デバイス数 " +
                      std::to_wstring(capture.devices.size()) + L"）。");
        return 1;
    }
    Common::Device& device = *capture.devices[deviceIndex];
    device.ReadFormats();
    const auto formatIndex = static_cast<std::size_t>(*options.format);
    if (formatIndex >= device.GetFormats().size())
    {
        err.WriteLine(L"フォーマット " + std::to_wstring(formatIndex) + L" はありません（フォーマット数 " +
                      std::to_wstring(device.GetFormats().size()) + L"）。");
        return 1;
    }
    out.WriteLine(L"device: " + device.name);
    out.WriteLine(L"format: " + device.GetFormats()[formatIndex]->GetName());

    device.SelectFrameFormat(static_cast<std::int32_t>(formatIndex));

    StreamSink sink;
    sink.errors = &err;
    device.RegisterSink(&sink, &StreamSink::OnFrame, &StreamSink::OnError);
    try
    {
        device.Open();
    }
    catch (...)
    {
        device.ClearSink();
        throw;
    }
    const double seconds = stop.Wait(*options.seconds);
    device.Close();
    device.ClearSink();

    const FrameStatistics& s = sink.statistics;
    out.WriteLine(L"seconds " + Fixed(seconds, 1) + L", frames delivered " + std::to_wstring(s.GetFrames()) +
                  L", errors " + std::to_wstring(s.GetErrors()));
    out.WriteLine(L"frame interval ms: min " + Fixed(s.GetMinimumIntervalMs(), 2) + L" avg " +
                  Fixed(s.GetAverageIntervalMs(), 2) + L" max " + Fixed(s.GetMaximumIntervalMs(), 2));
    if (s.GetFrames() > 0 && s.GetUndecodable() == s.GetFrames())
    {
        out.WriteLine(L"test pattern: not found (gaps and repeats are not measured)");
    }
    else if (s.GetUndecodable() > 0)
    {
        out.WriteLine(L"test pattern: unreadable in " + std::to_wstring(s.GetUndecodable()) + L" frames");
    }
    out.WriteLine(L"frames " + std::to_wstring(s.GetFrames()) + L" gaps " + std::to_wstring(s.GetGaps()) +
                  L" repeats " + std::to_wstring(s.GetRepeats()) + L" fps " + Fixed(s.GetFrameRate(), 2));
    return 0;
}

int Run(const Options& options, ConsoleOutput& out, ConsoleOutput& err)
{
    const ConsoleStop stop;
    const Common::ComInitializer com;
    std::unique_ptr<Common::VideoCapture> capture;
    std::optional<Common::MediaFoundationInitializer> mediaFoundation;
    if (options.api == L"mf")
    {
        mediaFoundation.emplace();
        capture = std::make_unique<Common::MediaFoundationVideoCapture>(true, false);
    }
    if (options.api == L"dshow")
    {
        capture = std::make_unique<Common::DirectShowVideoCapture>(true, false);
    }
    const int result =
        options.list ? (ListDevices(*capture, out), 0) : Stream(*capture, options, stop, out, err);
    capture.reset();
    return result;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    ConsoleOutput out(STD_OUTPUT_HANDLE);
    ConsoleOutput err(STD_ERROR_HANDLE);
    Options options;
    if (const auto problem = ParseOptions(argc, argv, options))
    {
        err.WriteLine(*problem);
        err.WriteLine(Usage);
        return 2;
    }
    try
    {
        const int result = Run(options, out, err);
        if (out.HasFailed())
        {
            err.WriteLine(L"エラー: 出力を書き込めませんでした。");
            return 1;
        }
        return result;
    }
    catch (const Common::Exception& error)
    {
        err.WriteLine(L"エラー: " + error.GetLocatedMessage());
    }
    catch (const std::exception&)
    {
        err.WriteLine(L"エラー: 未知のエラーが発生しました。");
    }
    return 1;
}
