// saving_bench: how long saving one frame takes, for each still format at
// 640x480 and 1920x1080 and for an AVI frame at 1920x1080, against the frame
// interval at 30 fps. The frames are the camera's own kind (moving colour
// bars with noise-free edges), each one different. Writes into a temporary
// folder that it removes. Usage: saving_bench [frames per case]
#include "Common/ComPointer.h"
#include "Common/PerformanceCounter.h"
#include "app/Bgr24Image.h"
#include "app/StillImageWriter.h"
#include "app/VideoWriter.h"

#include <windows.h>

#include <objbase.h>
#include <wincodec.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{
constexpr double FrameIntervalMs = 1000.0 / 30.0;

Common::FrameBuffer MakeFrame(int width, int height, int seed)
{
    Common::FrameBuffer frame;
    frame.Resize(width, height);
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            std::uint8_t* p = frame.pixels.data() + static_cast<std::size_t>(y) * frame.stride + x * 4;
            const int bar = ((x + seed * 8) % width) * 8 / width;
            p[0] = static_cast<std::uint8_t>((bar & 1) ? 255 : (y + seed) & 63);
            p[1] = static_cast<std::uint8_t>((bar & 2) ? 255 : (x / 3) & 63);
            p[2] = static_cast<std::uint8_t>((bar & 4) ? 255 : (x + y) & 63);
            p[3] = 255;
        }
    }
    return frame;
}

double NowMs()
{
    return static_cast<double>(Common::PerformanceCounter()) * 1000.0 /
           static_cast<double>(Common::PerformanceFrequency());
}

std::wstring MakeFolder()
{
    wchar_t base[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, base);
    const std::wstring folder =
        std::wstring(base) + L"tavix-saving-bench-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

void EmptyFolder(const std::wstring& folder)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
    {
        return;
    }
    do
    {
        if (data.cFileName[0] != L'.')
        {
            DeleteFileW((folder + data.cFileName).c_str());
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

// The imaging component's own part of a still image: the same calls as the
// writer, into a stream in memory that is reused from frame to frame.
std::size_t EncodeIntoMemory(IWICImagingFactory& factory, std::vector<std::uint8_t>& memory,
                             const Common::FrameBuffer& frame, const GUID& container)
{
    Common::ComPointer<IWICStream> stream;
    Common::ThrowIfFailed(factory.CreateStream(stream.Put()));
    Common::ThrowIfFailed(stream->InitializeFromMemory(memory.data(), static_cast<DWORD>(memory.size())));
    Common::ComPointer<IWICBitmapEncoder> encoder;
    Common::ThrowIfFailed(factory.CreateEncoder(container, nullptr, encoder.Put()));
    Common::ThrowIfFailed(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache));
    Common::ComPointer<IWICBitmapFrameEncode> frameEncode;
    Common::ComPointer<IPropertyBag2> options;
    Common::ThrowIfFailed(encoder->CreateNewFrame(frameEncode.Put(), options.Put()));
    Common::ThrowIfFailed(frameEncode->Initialize(options.Get()));
    Common::ThrowIfFailed(
        frameEncode->SetSize(static_cast<UINT>(frame.width), static_cast<UINT>(frame.height)));
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
    Common::ThrowIfFailed(frameEncode->SetPixelFormat(&format));
    thread_local std::vector<std::uint8_t> image;
    const bool wide = format == GUID_WICPixelFormat32bppBGR;
    if (!wide)
    {
        TavixCapture::ConvertToBgr24(frame, TavixCapture::RowOrder::TopDown, image);
    }
    const UINT stride =
        wide ? static_cast<UINT>(frame.stride) : static_cast<UINT>(TavixCapture::GetBgr24Stride(frame.width));
    const UINT height = static_cast<UINT>(frame.height);
    Common::ThrowIfFailed(frameEncode->WritePixels(
        height, stride, stride * height, wide ? const_cast<BYTE*>(frame.pixels.data()) : image.data()));
    Common::ThrowIfFailed(frameEncode->Commit());
    Common::ThrowIfFailed(encoder->Commit());
    ULARGE_INTEGER end = {};
    Common::ThrowIfFailed(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &end));
    return static_cast<std::size_t>(end.QuadPart);
}

// Where the time of one saved 1920x1080 still goes: the imaging component
// encoding into memory (its work, with our 24-bit conversion where the
// encoder asks for 24 bits), the conversion alone, writing the encoded bytes
// to a file in one call (the file system's floor) and renaming a file,
// against the whole save.
void PrintSplit(IWICImagingFactory& factory, const TavixCapture::StillImageWriter& writer,
                const std::wstring& folder, const char* name, int fileFormat, const GUID& container,
                int frames)
{
    const Common::FrameBuffer frame = MakeFrame(1920, 1080, 1);
    std::vector<std::uint8_t> memory(frame.pixels.size() * 2);
    EncodeIntoMemory(factory, memory, frame, container); // warm-up
    double start = NowMs();
    std::size_t size = 0;
    for (int i = 0; i < frames; ++i)
    {
        size = EncodeIntoMemory(factory, memory, frame, container);
    }
    const double encodeMs = (NowMs() - start) / frames;
    const void* bytes = memory.data();

    start = NowMs();
    for (int i = 0; i < frames; ++i)
    {
        const std::wstring path = folder + L"raw" + std::to_wstring(i) + L".bin";
        const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        DWORD written = 0;
        Common::ThrowIfFalse(file != INVALID_HANDLE_VALUE);
        const BOOL ok = WriteFile(file, bytes, static_cast<DWORD>(size), &written, nullptr);
        CloseHandle(file);
        Common::ThrowIfFalse(ok);
    }
    const double writeMs = (NowMs() - start) / frames;
    start = NowMs();
    for (int i = 0; i < frames; ++i)
    {
        const std::wstring from = folder + L"raw" + std::to_wstring(i) + L".bin";
        Common::ThrowIfFalse(MoveFileExW(from.c_str(), (from + L".bmp").c_str(), 0));
    }
    const double renameMs = (NowMs() - start) / frames;
    EmptyFolder(folder);

    std::vector<std::uint8_t> image;
    start = NowMs();
    for (int i = 0; i < frames; ++i)
    {
        TavixCapture::ConvertToBgr24(frame, TavixCapture::RowOrder::TopDown, image);
    }
    const double convertMs = (NowMs() - start) / frames;

    start = NowMs();
    for (int i = 0; i < frames; ++i)
    {
        SYSTEMTIME time;
        GetSystemTime(&time);
        writer.SaveUnderNewName(frame, fileFormat, folder, time);
    }
    const double saveMs = (NowMs() - start) / frames;
    EmptyFolder(folder);
    // What is ours: the 24-bit conversion (where the encoder asks for it),
    // the temporary name and the rename; the encoder and the file system
    // are the platform's.
    std::printf("%-5s 1920x1080 split: saved %.2f ms; encoder into memory %.2f ms (of which our 24-bit "
                "conversion %.2f ms where the encoder asks for 24 bits); writing the %.1f MB in one call "
                "%.2f ms; our rename %.2f ms; the rest (file stream against one write, names) %.2f ms\n",
                name, saveMs, encodeMs, convertMs, static_cast<double>(size) / 1e6, writeMs, renameMs,
                saveMs - encodeMs - writeMs - renameMs);
}

struct Result
{
    const char* format;
    int width;
    int height;
    double ms;
};
} // namespace

int wmain(int argc, wchar_t** argv)
{
    const int frames = argc > 1 ? std::max(1, _wtoi(argv[1])) : 20;
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)))
    {
        return 2;
    }
    int status = 0;
    try
    {
        Common::ComPointer<IWICImagingFactory> factory;
        factory.CreateInstance(CLSID_WICImagingFactory, CLSCTX_INPROC_SERVER);
        const TavixCapture::StillImageWriter writer(*factory.Get());
        const std::wstring folder = MakeFolder();
        std::vector<Result> results;
        std::printf("saving one frame, mean of %d frames (30 fps allows %.1f ms)\n", frames, FrameIntervalMs);

        const struct
        {
            const char* name;
            int fileFormat;
        } stills[] = {{"BMP", 0}, {"JPEG", 1}, {"PNG", 2}, {"TIFF", 3}};
        for (const auto& [width, height] : {std::pair{640, 480}, std::pair{1920, 1080}})
        {
            std::vector<Common::FrameBuffer> sources;
            for (int i = 0; i < 4; ++i)
            {
                sources.push_back(MakeFrame(width, height, i));
            }
            for (const auto& still : stills)
            {
                SYSTEMTIME time;
                GetSystemTime(&time);
                writer.SaveUnderNewName(sources[0], still.fileFormat, folder, time); // warm-up
                const double start = NowMs();
                for (int i = 0; i < frames; ++i)
                {
                    GetSystemTime(&time);
                    writer.SaveUnderNewName(sources[static_cast<std::size_t>(i) % sources.size()],
                                            still.fileFormat, folder, time);
                }
                results.push_back({still.name, width, height, (NowMs() - start) / frames});
                EmptyFolder(folder);
            }
        }

        {
            std::vector<Common::FrameBuffer> sources;
            for (int i = 0; i < 4; ++i)
            {
                sources.push_back(MakeFrame(1920, 1080, i));
            }
            TavixCapture::VideoWriter movie;
            movie.Open(0, folder + L"bench.avi", 1920, 1080, 30.0, 0);
            movie.WriteFrame(sources[0]); // warm-up
            const double start = NowMs();
            for (int i = 0; i < frames; ++i)
            {
                movie.WriteFrame(sources[static_cast<std::size_t>(i) % sources.size()]);
            }
            results.push_back({"AVI", 1920, 1080, (NowMs() - start) / frames});
            movie.Close();
            EmptyFolder(folder);
        }
        PrintSplit(*factory.Get(), writer, folder, "BMP", 0, GUID_ContainerFormatBmp, frames);
        PrintSplit(*factory.Get(), writer, folder, "JPEG", 1, GUID_ContainerFormatJpeg, frames);
        RemoveDirectoryW(folder.c_str());

        {
            // The part of an AVI frame (and a 24-bit still) that is our own work.
            const Common::FrameBuffer source = MakeFrame(1920, 1080, 0);
            std::vector<std::uint8_t> image;
            TavixCapture::ConvertToBgr24(source, TavixCapture::RowOrder::BottomUp, image);
            std::size_t sink = image.size();
            const double start = NowMs();
            for (int i = 0; i < frames; ++i)
            {
                TavixCapture::ConvertToBgr24(source, TavixCapture::RowOrder::BottomUp, image);
                sink += image.size();
            }
            const double convertMs = (NowMs() - start) / frames;
            std::vector<std::uint8_t> copy(source.pixels.size());
            const double copyStart = NowMs();
            for (int i = 0; i < frames; ++i)
            {
                std::memcpy(copy.data(), source.pixels.data(), copy.size());
            }
            std::printf("memcpy of one 1920x1080 frame (the machine's pace): %.2f ms\n",
                        (NowMs() - copyStart) / frames);
            std::printf("24-bit conversion 1920x1080: %.2f ms per frame (%zu bytes)\n", convertMs,
                        sink / static_cast<std::size_t>(frames + 1));
        }

        const Result* slowest = &results.front();
        for (const Result& result : results)
        {
            std::printf("%-5s %4dx%-4d %8.2f ms per frame  %s\n", result.format, result.width, result.height,
                        result.ms,
                        result.ms <= FrameIntervalMs ? "keeps up with 30 fps" : "too slow for 30 fps");
            if (result.ms > slowest->ms)
            {
                slowest = &result;
            }
        }
        std::printf("slowest: %s %dx%d %.2f ms per frame\n", slowest->format, slowest->width, slowest->height,
                    slowest->ms);
    }
    catch (const Common::Exception& error)
    {
        std::fprintf(stderr, "saving_bench: error 0x%08lx\n", static_cast<unsigned long>(error.ErrorCode));
        status = 1;
    }
    CoUninitialize();
    return status;
}
