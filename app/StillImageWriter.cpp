#include "app/StillImageWriter.h"

#include "Common/ComPointer.h"
#include "Common/Exception.h"
#include "Common/TextHelpers.h"
#include "Common/UniqueHandle.h"
#include "app/Bgr24Image.h"
#include "app/SaveFormats.h"

#include <atomic>
#include <cstdio>
#include <iterator>
#include <mutex>
#include <set>

namespace TavixCapture
{

namespace
{
// Enough suffixes for any burst of frames within one tick of the clock.
constexpr int MaximumSuffix = 100000;

// A file removed when the owner goes, unless it was kept.
class TemporaryFile
{
public:
    explicit TemporaryFile(std::wstring path) : path_(std::move(path)) {}
    ~TemporaryFile()
    {
        if (!path_.empty())
        {
            DeleteFileW(path_.c_str());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::wstring& Path() const { return path_; }
    void Keep() { path_.clear(); }

private:
    std::wstring path_;
};

// A name in the folder of `path` that no other save of this process uses.
std::wstring MakeTemporaryPath(const std::wstring& path)
{
    static std::atomic<unsigned> counter = 0;
    wchar_t name[64] = {};
    std::swprintf(name, std::size(name), L"~tavix-%lu-%u.tmp",
                  static_cast<unsigned long>(GetCurrentProcessId()), ++counter);
    return Common::GetDirectoryPart(path) + name;
}

bool IsNameTaken(DWORD error)
{
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
}

// The process that made a temporary file of ours, from its name
// "~tavix-PID-N.tmp"; 0 when the name is not of that form.
DWORD TemporaryFileOwner(const std::wstring& name)
{
    unsigned long process = 0;
    unsigned count = 0;
    wchar_t rest[8] = {};
    if (std::swscanf(name.c_str(), L"~tavix-%lu-%u%7ls", &process, &count, rest) != 3 ||
        std::wstring(rest) != L".tmp")
    {
        return 0;
    }
    return static_cast<DWORD>(process);
}

bool IsProcessRunning(DWORD process)
{
    const Common::UniqueHandle handle(OpenProcess(SYNCHRONIZE, FALSE, process));
    return handle && WaitForSingleObject(handle.Get(), 0) == WAIT_TIMEOUT;
}

// Hands a written file to the disk before it is renamed into place.
void FlushFile(const std::wstring& path)
{
    const Common::UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || !FlushFileBuffers(file.Get()))
    {
        throw Common::Exception(HRESULT_FROM_WIN32(GetLastError()));
    }
}

// Removes, once per folder and run, the temporary files a save of an earlier
// run left behind when it was cut off. Only names of our own form count, and
// only those of processes that are gone; a file that cannot be removed is left.
void RemoveLeftoversOnce(const std::wstring& folder)
{
    static std::mutex mutex;
    static std::set<std::wstring> cleaned;
    {
        std::lock_guard lock(mutex);
        if (!cleaned.insert(folder).second)
        {
            return;
        }
    }
    WIN32_FIND_DATAW found = {};
    const HANDLE search = FindFirstFileW((folder + L"~tavix-*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
    {
        return;
    }
    do
    {
        const DWORD owner = TemporaryFileOwner(found.cFileName);
        if (owner != 0 && owner != GetCurrentProcessId() && !IsProcessRunning(owner) &&
            (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        {
            static_cast<void>(DeleteFileW((folder + found.cFileName).c_str()));
        }
    } while (FindNextFileW(search, &found));
    static_cast<void>(FindClose(search));
}
} // namespace

StillImageWriter::StillImageWriter(IWICImagingFactory& factory) : factory_(&factory) {}

void StillImageWriter::Save(const Common::FrameBuffer& frame, std::int32_t fileFormat,
                            const std::wstring& path) const
{
    TemporaryFile temporary(EncodeToTemporaryFile(frame, fileFormat, path));
    if (!MoveFileExW(temporary.Path().c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    {
        throw Common::Exception(HRESULT_FROM_WIN32(GetLastError()));
    }
    temporary.Keep();
}

std::wstring StillImageWriter::SaveUnderNewName(const Common::FrameBuffer& frame, std::int32_t fileFormat,
                                                const std::wstring& folder, const SYSTEMTIME& utc) const
{
    const StillFormat& format = GetStillFormat(fileFormat);
    const std::wstring stem = MakeTimeStampName(folder, utc, L"");
    TemporaryFile temporary(EncodeToTemporaryFile(frame, fileFormat, stem));
    for (int suffix = 0; suffix <= MaximumSuffix; ++suffix)
    {
        const std::wstring path = stem +
                                  (suffix == 0 ? std::wstring() : L"_" + Common::ToDecimalText(suffix)) +
                                  format.generatedExtension;
        // Without MOVEFILE_REPLACE_EXISTING the rename fails when the name is
        // taken, so two savers can never take the same name.
        if (MoveFileExW(temporary.Path().c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH))
        {
            temporary.Keep();
            return path;
        }
        const DWORD error = GetLastError();
        if (!IsNameTaken(error))
        {
            throw Common::Exception(HRESULT_FROM_WIN32(error));
        }
    }
    throw Common::Exception(HRESULT_FROM_WIN32(ERROR_FILE_EXISTS));
}

std::wstring StillImageWriter::MakeTimeStampName(const std::wstring& folder, const SYSTEMTIME& utc,
                                                 const wchar_t* extension)
{
    wchar_t stamp[32] = {};
    std::swprintf(stamp, std::size(stamp), L"%04u%02u%02u%02u%02u%02u%03u", utc.wYear, utc.wMonth, utc.wDay,
                  utc.wHour, utc.wMinute, utc.wSecond, utc.wMilliseconds);
    return folder + stamp + extension;
}

std::wstring StillImageWriter::EncodeToTemporaryFile(const Common::FrameBuffer& frame,
                                                     std::int32_t fileFormat, const std::wstring& path) const
{
    // The format and the frame are checked before anything is created on disk.
    const StillFormat& format = GetStillFormat(fileFormat);
    if (frame.width <= 0 || frame.height <= 0 || frame.stride < frame.width * 4 ||
        frame.pixels.size() < static_cast<std::size_t>(frame.stride) * static_cast<std::size_t>(frame.height))
    {
        throw Common::Exception(static_cast<HRESULT>(E_INVALIDARG));
    }
    RemoveLeftoversOnce(Common::GetDirectoryPart(path));
    TemporaryFile temporary(MakeTemporaryPath(path));
    Encode(frame, *format.container, temporary.Path());
    FlushFile(temporary.Path());
    std::wstring result = temporary.Path();
    temporary.Keep();
    return result;
}

void StillImageWriter::Encode(const Common::FrameBuffer& frame, const GUID& container,
                              const std::wstring& path) const
{
    Common::ComPointer<IWICStream> stream;
    Common::ThrowIfFailed(factory_->CreateStream(stream.Put()));
    Common::ThrowIfFailed(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE));

    Common::ComPointer<IWICBitmapEncoder> encoder;
    Common::ThrowIfFailed(factory_->CreateEncoder(container, nullptr, encoder.Put()));
    Common::ThrowIfFailed(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache));

    Common::ComPointer<IWICBitmapFrameEncode> frameEncode;
    Common::ComPointer<IPropertyBag2> options;
    Common::ThrowIfFailed(encoder->CreateNewFrame(frameEncode.Put(), options.Put()));
    Common::ThrowIfFailed(frameEncode->Initialize(options.Get()));
    Common::ThrowIfFailed(
        frameEncode->SetSize(static_cast<UINT>(frame.width), static_cast<UINT>(frame.height)));

    WICPixelFormatGUID pixelFormat = GUID_WICPixelFormat32bppBGR;
    Common::ThrowIfFailed(frameEncode->SetPixelFormat(&pixelFormat));
    const UINT height = static_cast<UINT>(frame.height);
    if (pixelFormat == GUID_WICPixelFormat32bppBGR)
    {
        const UINT stride = static_cast<UINT>(frame.stride);
        Common::ThrowIfFailed(frameEncode->WritePixels(height, stride, stride * height,
                                                       const_cast<BYTE*>(frame.pixels.data())));
    }
    else if (pixelFormat == GUID_WICPixelFormat24bppBGR)
    {
        // Kept by the thread: the delivery thread saving every frame reuses it.
        thread_local std::vector<std::uint8_t> image;
        ConvertToBgr24(frame, RowOrder::TopDown, image);
        const UINT stride = static_cast<UINT>(GetBgr24Stride(frame.width));
        Common::ThrowIfFailed(frameEncode->WritePixels(height, stride, stride * height, image.data()));
    }
    else
    {
        throw Common::Exception(L"フォーマットが解決できませんでした。");
    }
    Common::ThrowIfFailed(frameEncode->Commit());
    Common::ThrowIfFailed(encoder->Commit());
}

} // namespace TavixCapture
