// Still images written through the real imaging component and decoded back.
#include "SavedFiles.h"

#include "Common/ComPointer.h"
#include "app/StillImageWriter.h"
#include "support/TempFolder.h"

#include <wincodec.h>

#include <algorithm>

#include <gtest/gtest.h>

using TavixCapture::StillImageWriter;

namespace
{
enum Format
{
    Bmp = 0,
    Jpeg = 1,
    Png = 2,
    Tiff = 3,
};

class StillImageTest : public testing::Test
{
protected:
    StillImageTest() { factory.CreateInstance(CLSID_WICImagingFactory, CLSCTX_INPROC_SERVER); }

    StillImageWriter Writer() { return StillImageWriter(*factory.Get()); }

    Common::ComPointer<IWICImagingFactory> factory;
    TestSupport::TempFolder folder;
};

} // namespace

TEST_F(StillImageTest, EveryFormatReadsBackAsTheFrameThroughBothPixelFormats)
{
    // 641 wide: the 24-bit rows end in one filler byte.
    const Common::FrameBuffer frame = SavedFiles::PatternFrame(641, 37);
    // Wine's BMP and PNG encoders take 32-bit rows, its TIFF and JPEG
    // encoders 24-bit ones: both branches of the writer run. JPEG loses
    // detail on the pattern (a mean of 12), red and blue or the rows swapped
    // would differ by 56 and 80.
    const struct
    {
        int format;
        const wchar_t* name;
        const GUID* container;
        double mean;
    } cases[] = {{Bmp, L"a.bmp", &GUID_ContainerFormatBmp, 0.0},
                 {Png, L"a.png", &GUID_ContainerFormatPng, 0.0},
                 {Tiff, L"a.tif", &GUID_ContainerFormatTiff, 0.0},
                 {Jpeg, L"a.jpg", &GUID_ContainerFormatJpeg, 16.0}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "format " << c.format);
        Writer().Save(frame, c.format, folder.File(c.name));
        const SavedFiles::DecodedImage image = SavedFiles::Decode(folder.File(c.name));
        EXPECT_EQ(image.container, *c.container);
        EXPECT_LE(SavedFiles::MeanDifference(image.frame, frame), c.mean);
    }
}

TEST_F(StillImageTest, GeneratedNamesAreUtcTimeStampsAndNeverReplaceAFile)
{
    const SYSTEMTIME time = {2016, 3, 0, 5, 7, 8, 9, 12}; // 2016-03-05 07:08:09.012
    EXPECT_EQ(StillImageWriter::MakeTimeStampName(L"D:\\cap\\", time, L".png"),
              L"D:\\cap\\20160305070809012.png");

    // Three frames in the same millisecond: three files (the recording
    // suite decodes such files back, each its own frame).
    std::vector<std::wstring> paths;
    for (std::uint32_t i = 0; i < 3; ++i)
    {
        paths.push_back(
            Writer().SaveUnderNewName(SavedFiles::PatternFrame(16, 8, i), Png, folder.Path(), time));
    }
    EXPECT_EQ(paths, (std::vector<std::wstring>{folder.File(L"20160305070809012.png"),
                                                folder.File(L"20160305070809012_1.png"),
                                                folder.File(L"20160305070809012_2.png")}));
    EXPECT_EQ(folder.Names().size(), 3u);
}

TEST_F(StillImageTest, AFailedEncodingOrAShortFrameLeavesTheFolderAsItWas)
{
    // JPEG cannot hold an image 70000 pixels wide: the encoder fails after
    // the file has been created.
    TestSupport::WriteFileBytes(folder.File(L"a.jpg"), "earlier");
    const Common::FrameBuffer wide = SavedFiles::PatternFrame(70000, 2);
    EXPECT_THROW(Writer().Save(wide, Jpeg, folder.File(L"a.jpg")), Common::Exception);
    EXPECT_EQ(TestSupport::ReadFileBytes(folder.File(L"a.jpg")), "earlier");
    EXPECT_THROW(static_cast<void>(Writer().SaveUnderNewName(wide, Jpeg, folder.Path(),
                                                             SYSTEMTIME{2020, 1, 0, 1, 0, 0, 0, 0})),
                 Common::Exception);

    Common::FrameBuffer shortFrame = SavedFiles::PatternFrame(8, 8);
    shortFrame.pixels.resize(shortFrame.pixels.size() - 1);
    EXPECT_THROW(Writer().Save(shortFrame, Bmp, folder.File(L"a.bmp")), Common::Exception);
    EXPECT_EQ(folder.Names(), std::vector<std::wstring>{L"a.jpg"}) << "no other file, no temporary one";
}

// A run cut off while saving leaves "~tavix-PID-N.tmp" files behind. The next
// save into that folder removes those of processes that are gone, and only
// those: the files of a process still running (this one included), and every
// other name, stay.
TEST_F(StillImageTest, TheFirstSaveIntoAFolderRemovesOnlyTheTemporaryFilesOfEndedRuns)
{
    const auto startCommand = [](DWORD flags)
    {
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        wchar_t command[] = L"cmd.exe /c exit";
        EXPECT_TRUE(CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, flags | CREATE_NO_WINDOW,
                                   nullptr, nullptr, &startup, &process));
        CloseHandle(process.hThread);
        return process;
    };
    const PROCESS_INFORMATION ended = startCommand(0);
    ASSERT_EQ(WaitForSingleObject(ended.hProcess, 20000), WAIT_OBJECT_0);
    const PROCESS_INFORMATION running = startCommand(CREATE_SUSPENDED);
    const auto name = [](DWORD process, int count)
    { return L"~tavix-" + std::to_wstring(process) + L"-" + std::to_wstring(count) + L".tmp"; };
    const std::vector<std::wstring> kept = {name(running.dwProcessId, 1),
                                            name(GetCurrentProcessId(), 7),
                                            L"~tavix-" + std::to_wstring(ended.dwProcessId) + L"-2.tmp.bak",
                                            L"~tavix-notes.tmp",
                                            L"a.tmp",
                                            L"~tavix-" + std::to_wstring(ended.dwProcessId) + L".tmp"};
    for (const std::wstring& file : kept)
    {
        TestSupport::WriteFileBytes(folder.File(file), "kept");
    }
    TestSupport::WriteFileBytes(folder.File(name(ended.dwProcessId, 2)), "left by a crash");
    TestSupport::WriteFileBytes(folder.File(name(ended.dwProcessId, 15)), "left by a crash");

    const std::wstring saved = Writer().SaveUnderNewName(SavedFiles::PatternFrame(16, 8), Png, folder.Path(),
                                                         SYSTEMTIME{2020, 1, 0, 1, 0, 0, 0, 0});
    TerminateProcess(running.hProcess, 0);
    CloseHandle(running.hProcess);
    CloseHandle(ended.hProcess);

    std::vector<std::wstring> expected = kept;
    expected.push_back(saved.substr(folder.Path().size()));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(folder.Names(), expected);
}
