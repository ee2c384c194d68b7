// live_saving_bench: ten seconds of 1920x1080 at 30 fps from the virtual
// camera through the program's DirectShow backend, recorded with "全フレーム"
// as an AVI movie and as BMP stills (scripts/soak-saving.sh registers the
// camera and runs it). The camera drops the frames it cannot deliver in time,
// so the frame counter in its pattern, read back from the files, shows every
// frame the saving was too slow for. Prints the frames and gaps of each run;
// the last line reads "lost: AVI N BMP M frames".
#include "app/Bgr24Image.h"
#include "app/CaptureBackendFactory.h"
#include "app/AviFileLibrary.h"
#include "app/MainModel.h"
#include "tools/VirtualCamera/TestPattern.h"
#include "tools/VirtualCamera/VirtualCameraIds.h"

#include <vfw.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{
constexpr DWORD RecordingMs = 10000;

// The frame counters read from the saved frames, in order.
struct CounterRun
{
    std::vector<std::uint32_t> counters;
    int undecodable = 0;

    void Add(const Common::FrameBuffer& frame)
    {
        if (const auto counter = VirtualCamera::TestPattern::Decode(frame.pixels.data(), frame.width,
                                                                    frame.height, frame.stride))
        {
            counters.push_back(*counter);
        }
        else
        {
            ++undecodable;
        }
    }
    // Prints the run; returns the frames lost between the first and the last.
    std::uint64_t Report(const char* what) const
    {
        std::uint64_t gaps = 0;
        int outOfOrder = 0;
        for (std::size_t i = 1; i < counters.size(); ++i)
        {
            outOfOrder += counters[i] <= counters[i - 1] ? 1 : 0;
            gaps += counters[i] > counters[i - 1] + 1 ? counters[i] - counters[i - 1] - 1 : 0;
        }
        std::printf("%s: %zu frames, counters %u..%u, gaps %llu, out of order %d, undecodable %d\n", what,
                    counters.size(), counters.empty() ? 0u : counters.front(),
                    counters.empty() ? 0u : counters.back(), static_cast<unsigned long long>(gaps),
                    outOfOrder, undecodable);
        return gaps;
    }
};

// A fresh folder under the temporary directory, ending with a separator.
std::wstring MakeFolder(const wchar_t* name)
{
    wchar_t base[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, base);
    const std::wstring folder =
        std::wstring(base) + L"tavix-live-" + name + L"-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    Common::ThrowIfFalse(CreateDirectoryW(folder.c_str(), nullptr));
    return folder;
}

// Records RecordingMs of the virtual camera's 1920x1080 30 fps format.
void Record(std::int32_t fileFormat, const std::wstring& target)
{
    const std::wstring settings = MakeFolder(L"settings");
    {
        const TavixCapture::IniProfile profile(settings + L"TavixCapture.ini");
        TavixCapture::MainModel model(profile, TavixCapture::CreateCaptureBackend, 1, true, false, settings);
        for (std::size_t i = 0; i < model.GetCapture().devices.size(); ++i)
        {
            if (model.GetCapture().devices[i]->path == VirtualCamera::DevicePath)
            {
                model.SelectDevice(static_cast<std::int32_t>(i));
                model.SelectFrameFormatByName(L"ARGB32 1920x1080 (30fps)");
            }
        }
        if (model.GetCurrentDevice().GetSelectedFormat()->GetName() != L"ARGB32 1920x1080 (30fps)")
        {
            throw Common::Exception(L"the virtual camera is not registered");
        }
        model.SetFileFormat(fileFormat);
        model.SetSaveTarget(1);
        model.StartRecording(target);
        model.StartCapture();
        // The run's length, not a wait for anything.
        Sleep(RecordingMs);
        model.StopCapture();
        model.StopRecording();
        if (!model.GetErrorText().empty())
        {
            std::printf("a frame could not be saved: %ls\n", model.GetErrorText().c_str());
        }
    }
    DeleteFileW((settings + L"TavixCapture.ini").c_str());
    RemoveDirectoryW(settings.c_str());
}

// The counters of the AVI movie, read back through AVIFile frame by frame
// (the movie is about 2 GB).
CounterRun ReadAvi(const std::wstring& path)
{
    const TavixCapture::AviFileLibrary library;
    PAVIFILE file = nullptr;
    Common::ThrowIfFalse(AVIFileOpenW(&file, path.c_str(), OF_READ, nullptr) == 0);
    PAVISTREAM stream = nullptr;
    Common::ThrowIfFalse(AVIFileGetStream(file, &stream, streamtypeVIDEO, 0) == 0);
    const int stride = TavixCapture::GetBgr24Stride(1920);
    std::vector<std::uint8_t> image(static_cast<std::size_t>(stride) * 1080);
    Common::FrameBuffer frame;
    frame.Resize(1920, 1080);
    CounterRun run;
    for (LONG i = 0; i < AVIStreamLength(stream); ++i)
    {
        if (AVIStreamRead(stream, i, 1, image.data(), static_cast<LONG>(image.size()), nullptr, nullptr) != 0)
        {
            ++run.undecodable;
            continue;
        }
        for (int y = 0; y < 1080; ++y)
        {
            const std::uint8_t* source = image.data() + static_cast<std::size_t>(1079 - y) * stride;
            std::uint8_t* target = frame.pixels.data() + static_cast<std::size_t>(y) * frame.stride;
            for (int x = 0; x < 1920; ++x)
            {
                std::memcpy(target + 4 * x, source + 3 * x, 3);
            }
        }
        run.Add(frame);
    }
    AVIStreamRelease(stream);
    AVIFileRelease(file);
    return run;
}

// The counters of the BMP stills (32-bit, as the encoder takes them), in
// name order, which is time order; each file is removed once read (8 MB each).
CounterRun ReadStills(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found = {};
    const HANDLE search = FindFirstFileW((folder + L"*.bmp").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found))
    {
        names.push_back(found.cFileName);
    }
    if (search != INVALID_HANDLE_VALUE)
    {
        FindClose(search);
    }
    std::sort(names.begin(), names.end());
    Common::FrameBuffer frame;
    frame.Resize(1920, 1080);
    std::vector<std::uint8_t> bytes(frame.pixels.size() + 4096);
    CounterRun run;
    for (const std::wstring& name : names)
    {
        const std::wstring path = folder + name;
        const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        DWORD read = 0;
        const bool ok = file != INVALID_HANDLE_VALUE &&
                        ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
        if (file != INVALID_HANDLE_VALUE)
        {
            CloseHandle(file);
        }
        DeleteFileW(path.c_str());
        BITMAPFILEHEADER fileHeader = {};
        BITMAPINFOHEADER info = {};
        std::memcpy(&fileHeader, bytes.data(), sizeof(fileHeader));
        std::memcpy(&info, bytes.data() + sizeof(fileHeader), sizeof(info));
        if (!ok || info.biWidth != 1920 || std::abs(info.biHeight) != 1080 || info.biBitCount != 32 ||
            fileHeader.bfOffBits + frame.pixels.size() > read)
        {
            ++run.undecodable;
            continue;
        }
        for (int y = 0; y < 1080; ++y)
        {
            const int row = info.biHeight > 0 ? 1079 - y : y;
            std::memcpy(frame.pixels.data() + static_cast<std::size_t>(y) * frame.stride,
                        bytes.data() + fileHeader.bfOffBits + static_cast<std::size_t>(row) * 1920 * 4,
                        1920 * 4);
        }
        run.Add(frame);
    }
    return run;
}
} // namespace

int wmain()
{
    if (FAILED(CoInitialize(nullptr)))
    {
        return 2;
    }
    int status = 0;
    try
    {
        const std::wstring movies = MakeFolder(L"avi");
        Record(4, movies + L"live.avi");
        const std::uint64_t aviLost = ReadAvi(movies + L"live.avi").Report("AVI");
        DeleteFileW((movies + L"live.avi").c_str());
        RemoveDirectoryW(movies.c_str());

        const std::wstring stills = MakeFolder(L"bmp");
        Record(0, stills);
        const std::uint64_t bmpLost = ReadStills(stills).Report("BMP");
        RemoveDirectoryW(stills.c_str());
        std::printf("lost: AVI %llu BMP %llu frames\n", static_cast<unsigned long long>(aviLost),
                    static_cast<unsigned long long>(bmpLost));
    }
    catch (const Common::Exception& error)
    {
        std::fprintf(stderr, "live_saving_bench: %ls (0x%08lx)\n", error.Message.c_str(),
                     static_cast<unsigned long>(error.ErrorCode));
        status = 1;
    }
    CoUninitialize();
    return status;
}
