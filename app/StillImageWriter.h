// TavixCapture::StillImageWriter: encodes one frame as a BMP, JPEG, PNG or
// TIFF file (FileFormat 0 to 3) through the imaging component.
//
// A file appears under its final name only when it is complete: the image is
// encoded into a temporary file in the same folder ("~tavix-PID-N.tmp"),
// handed to the disk and then renamed; a failed encoding removes the
// temporary file and leaves any file under the final name as it was. The
// first save into a folder in a run removes the temporary files that runs
// cut off (by a crash or a power loss) left there. Generated (time-stamped) names never replace a file: when
// the name is taken, "_1", "_2" and so on are added before the extension.
//
// Any thread (the UI thread for a Snap, the delivery thread when every frame
// is saved); the factory must be usable from the calling thread.
#pragma once

#include "Common/capture/FrameBuffer.h"

#include <windows.h>

#include <wincodec.h>

#include <cstdint>
#include <string>

namespace TavixCapture
{

class StillImageWriter
{
public:
    // The factory stays owned by the caller and must outlive the writer.
    explicit StillImageWriter(IWICImagingFactory& factory);

    // Writes `frame` to `path` in `fileFormat`, whatever the extension of
    // `path`; a file already there is replaced once the new one is complete.
    void Save(const Common::FrameBuffer& frame, std::int32_t fileFormat, const std::wstring& path) const;

    // Writes `frame` under the name MakeTimeStampName(folder, utc, ...) or,
    // when that is taken, the first free one with a suffix. Returns the path.
    std::wstring SaveUnderNewName(const Common::FrameBuffer& frame, std::int32_t fileFormat,
                                  const std::wstring& folder, const SYSTEMTIME& utc) const;

    // folder + yyyyMMddHHmmssfff + extension, each field padded with "0".
    static std::wstring MakeTimeStampName(const std::wstring& folder, const SYSTEMTIME& utc,
                                          const wchar_t* extension);

private:
    // Encodes into a fresh temporary file in the folder of `path` and
    // returns its name; removes it and rethrows on failure.
    std::wstring EncodeToTemporaryFile(const Common::FrameBuffer& frame, std::int32_t fileFormat,
                                       const std::wstring& path) const;
    void Encode(const Common::FrameBuffer& frame, const GUID& container, const std::wstring& path) const;

    IWICImagingFactory* factory_;
};

} // namespace TavixCapture
