// recording_bench: SECONDS of the virtual camera's 1920x1080 30 fps format
// through the program's DirectShow backend and model, recorded with
// "全フレーム" as one AVI movie, then as BMP stills, then as JPEG stills
// (scripts/bench-recording.sh registers the camera, runs it with a folder of
// its own and reads the movie back with ffprobe between the two runs). For each run it prints the
// frames delivered to the model, written and lost, the delivery thread's
// saving time per frame, and for the movie its size and the camera's frame
// counter in its first, middle and last frame: counters that run on without
// a gap show that no frame was dropped between them.
// Usage: recording_bench.exe avi|stills SECONDS FOLDER
#include "app/Bgr24Image.h"
#include "app/CaptureBackendFactory.h"
#include "app/MainModel.h"
#include "tools/VirtualCamera/TestPattern.h"
#include "tools/VirtualCamera/VirtualCameraIds.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace
{
constexpr int Width = 1920;
constexpr int Height = 1080;
constexpr wchar_t FormatName[] = L"ARGB32 1920x1080 (30fps)";

struct Run
{
    std::uint64_t delivered = 0;
    TavixCapture::Recorder::Status status;
    double savingMilliseconds = 0.0; // the delivery thread's, per frame
};

Run Record(std::int32_t fileFormat, const std::wstring& target, const std::wstring& settings,
           DWORD milliseconds)
{
    Run run;
    const TavixCapture::IniProfile profile(settings + L"TavixCapture.ini");
    TavixCapture::MainModel model(profile, TavixCapture::CreateCaptureBackend, 1, true, false, settings);
    for (std::size_t i = 0; i < model.GetCapture().devices.size(); ++i)
    {
        if (model.GetCapture().devices[i]->path == VirtualCamera::DevicePath)
        {
            model.SelectDevice(static_cast<std::int32_t>(i));
            model.SelectFrameFormatByName(FormatName);
        }
    }
    if (model.GetCurrentDevice().GetSelectedFormat()->GetName() != FormatName)
    {
        throw Common::Exception(L"the virtual camera is not registered");
    }
    model.SetFileFormat(fileFormat);
    model.SetSaveTarget(1);
    model.StartCapture();
    model.StartRecording(target);
    const std::uint64_t before = model.GetDeliveredFrameCount();
    const std::int64_t savingBefore = model.GetFrameTimes().saving;
    // The run's length, not a wait for anything.
    Sleep(milliseconds);
    model.StopCapture();
    run.delivered = model.GetDeliveredFrameCount() - before;
    model.StopRecording();
    run.status = model.GetRecordingStatus();
    run.savingMilliseconds = run.delivered == 0
                                 ? 0.0
                                 : static_cast<double>(model.GetFrameTimes().saving - savingBefore) * 1000.0 /
                                       static_cast<double>(Common::PerformanceFrequency()) /
                                       static_cast<double>(run.delivered);
    if (!model.GetErrorText().empty())
    {
        std::printf("error while recording: %ls\n", model.GetErrorText().c_str());
    }
    return run;
}

// The file offsets of every frame's data, walking the RIFF lists of the movie.
std::vector<std::uint64_t> FindFrames(HANDLE file)
{
    const auto readAt = [file](std::uint64_t offset, void* data, DWORD size)
    {
        OVERLAPPED at = {};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD read = 0;
        return ReadFile(file, data, size, &read, &at) && read == size;
    };
    std::vector<std::uint64_t> frames;
    std::uint64_t riff = 0;
    char header[12];
    while (readAt(riff, header, 12) && std::memcmp(header, "RIFF", 4) == 0)
    {
        std::uint32_t riffSize = 0;
        std::memcpy(&riffSize, header + 4, 4);
        const std::uint64_t riffEnd = riff + 8 + riffSize;
        for (std::uint64_t at = riff + 12; at + 8 <= riffEnd;)
        {
            if (!readAt(at, header, 12))
            {
                break;
            }
            std::uint32_t size = 0;
            std::memcpy(&size, header + 4, 4);
            if (std::memcmp(header, "LIST", 4) == 0 && std::memcmp(header + 8, "movi", 4) == 0)
            {
                const std::uint64_t moviEnd = at + 8 + size;
                for (std::uint64_t chunk = at + 12; chunk + 8 <= moviEnd;)
                {
                    if (!readAt(chunk, header, 8))
                    {
                        break;
                    }
                    std::memcpy(&size, header + 4, 4);
                    if (std::memcmp(header, "00db", 4) == 0)
                    {
                        frames.push_back(chunk + 8);
                    }
                    chunk += 8 + size + (size & 1);
                }
                at = moviEnd;
            }
            else
            {
                at += 8 + size + (size & 1);
            }
        }
        riff = riffEnd + (riffSize & 1);
    }
    return frames;
}

// The camera's counter in the movie frame whose data starts at `offset`.
std::optional<std::uint32_t> ReadCounter(HANDLE file, std::uint64_t offset)
{
    const int stride = TavixCapture::GetBgr24Stride(Width);
    std::vector<std::uint8_t> image(static_cast<std::size_t>(stride) * Height);
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD read = 0;
    if (!ReadFile(file, image.data(), static_cast<DWORD>(image.size()), &read, &at) || read != image.size())
    {
        return std::nullopt;
    }
    Common::FrameBuffer frame;
    frame.Resize(Width, Height);
    for (int y = 0; y < Height; ++y)
    {
        const std::uint8_t* source = image.data() + static_cast<std::size_t>(Height - 1 - y) * stride;
        std::uint8_t* target = frame.pixels.data() + static_cast<std::size_t>(y) * frame.stride;
        for (int x = 0; x < Width; ++x)
        {
            std::memcpy(target + 4 * x, source + 3 * x, 3);
        }
    }
    return VirtualCamera::TestPattern::Decode(frame.pixels.data(), Width, Height, frame.stride);
}

void PrintRun(const char* name, const Run& run)
{
    std::printf("%s: delivered %llu written %llu lost %llu, delivery thread saving %.2f ms per frame\n", name,
                static_cast<unsigned long long>(run.delivered),
                static_cast<unsigned long long>(run.status.framesWritten),
                static_cast<unsigned long long>(run.status.framesLost), run.savingMilliseconds);
}

std::wstring MakeFolder(const std::wstring& base, const wchar_t* name)
{
    const std::wstring folder = base + name + L"\\";
    Common::ThrowIfFalse(CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    return folder;
}

// Removes the stills of a run (8 MB each as BMP).
void RemoveFiles(const std::wstring& folder)
{
    WIN32_FIND_DATAW found = {};
    const HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found))
    {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        {
            DeleteFileW((folder + found.cFileName).c_str());
        }
    }
    if (search != INVALID_HANDLE_VALUE)
    {
        FindClose(search);
    }
}
} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 4 || (std::wcscmp(argv[1], L"avi") != 0 && std::wcscmp(argv[1], L"stills") != 0))
    {
        std::fprintf(stderr, "usage: recording_bench.exe avi|stills SECONDS FOLDER\n");
        return 2;
    }
    const bool movie = std::wcscmp(argv[1], L"avi") == 0;
    const DWORD milliseconds = static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10) * 1000);
    std::wstring base = argv[3];
    if (base.back() != L'\\')
    {
        base += L'\\';
    }
    if (FAILED(CoInitialize(nullptr)))
    {
        return 2;
    }
    int status = 0;
    try
    {
        const std::wstring settings = MakeFolder(base, L"settings");
        if (!movie)
        {
            const std::wstring bmpFolder = MakeFolder(base, L"bmp");
            const Run bmp = Record(0, bmpFolder, settings, milliseconds);
            RemoveFiles(bmpFolder);
            PrintRun("bmp", bmp);
            std::fflush(stdout);
            const std::wstring jpegFolder = MakeFolder(base, L"jpeg");
            const Run jpeg = Record(1, jpegFolder, settings, milliseconds);
            RemoveFiles(jpegFolder);
            PrintRun("jpeg", jpeg);
            std::printf("stills result: bmp lost %llu jpeg lost %llu\n",
                        static_cast<unsigned long long>(bmp.status.framesLost),
                        static_cast<unsigned long long>(jpeg.status.framesLost));
            CoUninitialize();
            return 0;
        }
        const std::wstring path = base + L"recording.avi";
        const Run avi = Record(4, path, settings, milliseconds);
        PrintRun("avi", avi);
        const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        Common::ThrowIfFalse(file != INVALID_HANDLE_VALUE);
        const std::vector<std::uint64_t> frames = FindFrames(file);
        if (!frames.empty())
        {
            const std::size_t middle = frames.size() / 2;
            const auto first = ReadCounter(file, frames.front());
            const auto half = ReadCounter(file, frames[middle]);
            const auto last = ReadCounter(file, frames.back());
            if (first && half && last)
            {
                const bool steady = *half - *first == middle && *last - *first == frames.size() - 1;
                std::printf("avi counters: frame 0 has %u, frame %zu has %u, frame %zu has %u: %s\n", *first,
                            middle, *half, frames.size() - 1, *last, steady ? "no gaps" : "GAPS");
            }
            else
            {
                std::printf("avi counters: a frame's counter could not be read\n");
                status = 1;
            }
        }
        CloseHandle(file);
        std::printf("avi result: delivered %llu written %llu frames %zu size %llu\n",
                    static_cast<unsigned long long>(avi.delivered),
                    static_cast<unsigned long long>(avi.status.framesWritten), frames.size(),
                    static_cast<unsigned long long>(avi.status.fileBytes));
    }
    catch (const Common::Exception& error)
    {
        std::fprintf(stderr, "recording_bench: %ls (0x%08lx)\n", error.Message.c_str(),
                     static_cast<unsigned long>(error.ErrorCode));
        status = 1;
    }
    CoUninitialize();
    return status;
}
