// Recording through the model: StartRecording, StopRecording and SaveFrame,
// with frames delivered by a fake device as a backend would deliver them.
#include "AviFile.h"
#include "AviOutput.h"
#include "SavedFiles.h"

#include "app/MainModel.h"
#include "support/FakeCapture.h"
#include "support/FramePixels.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using TavixCapture::MainModel;

namespace
{
constexpr int RecordingId = static_cast<int>(TavixCapture::PropertyId::IsRecording);
constexpr int ErrorMessageId = static_cast<int>(TavixCapture::PropertyId::ErrorMessage);

enum FileFormat
{
    Bmp = 0,
    Png = 2,
    Avi = 4,
    Wmv = 5,
};

// A hidden window that collects the model's notifications.
class Listener : public Common::Mfc::Window
{
public:
    Listener()
    {
        Attach(CreateWindowExW(0, L"STATIC", L"listener", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr));
    }
    ~Listener() override { ::DestroyWindow(Detach()); }
    std::vector<int> Drain()
    {
        std::vector<int> ids;
        MSG message;
        while (PeekMessageW(&message, GetSafeHwnd(), WM_APP, WM_APP, PM_REMOVE))
        {
            ids.push_back(static_cast<int>(message.lParam));
        }
        return ids;
    }
};

class RecordingTest : public testing::Test
{
protected:
    RecordingTest()
        : profile(settings.File(L"TavixCapture.ini")),
          camera(std::make_shared<TestSupport::FakeDevice>(
              L"Camera", L"\\\\?\\camera",
              std::initializer_list<TestSupport::FormatInfo>{{L"YUY2", 160, 120, 15.0}})),
          model(
              profile, [this](std::int32_t, bool, bool) { return TestSupport::MakeCapture({camera}); }, 0,
              true, false, settings.Path())
    {
        model.AddListener(&listener);
        listener.Drain();
    }
    ~RecordingTest() override { model.RemoveListener(&listener); }

    // Delivers a frame as a backend does: an error thrown by the model's
    // frame handler goes back to the model as a capture error.
    void Deliver(std::uint32_t value)
    {
        try
        {
            camera->DeliverFrame(value);
        }
        catch (const Common::Exception& error)
        {
            camera->DeliverError(error);
        }
    }

    // What a Snap takes: a copy of the device's frame.
    Common::FrameBuffer CopyOfFrame()
    {
        Common::AutoLock lock(camera->frameLock);
        return camera->frame;
    }

    void Fill(std::uint32_t value)
    {
        for (int y = 0; y < 120; ++y)
        {
            for (int x = 0; x < 160; ++x)
            {
                camera->SetPixel(x, y, value + static_cast<std::uint32_t>(x + y));
            }
        }
    }

    TestSupport::TempFolder settings;
    TestSupport::TempFolder output;
    TavixCapture::IniProfile profile;
    std::shared_ptr<TestSupport::FakeDevice> camera;
    MainModel model;
    Listener listener;
};

std::uint32_t CentreOf(const std::wstring& path)
{
    const SavedFiles::DecodedImage image = SavedFiles::Decode(path);
    return TestSupport::PixelAt(image.frame, image.frame.width / 2, image.frame.height / 2) & 0x00FFFFFFu;
}
} // namespace

TEST_F(RecordingTest, EveryDeliveredFrameBecomesItsOwnFile)
{
    model.SetFileFormat(Bmp);
    model.SetSaveTarget(1);
    // The folder as the chooser returns it, without the final separator.
    model.StartRecording(output.Path().substr(0, output.Path().size() - 1));
    EXPECT_EQ(model.GetSaveFolder(), output.Path());
    model.StartCapture();
    // As fast as the model takes them: many frames share a millisecond.
    const std::uint32_t count = 300;
    for (std::uint32_t i = 0; i < count; ++i)
    {
        Deliver(0xFF000000u | (i * 0x010203u));
    }
    model.StopCapture();
    model.StopRecording();
    EXPECT_EQ(model.GetErrorText(), L"");

    const std::vector<std::wstring> files = SavedFiles::ListFiles(output.Path());
    ASSERT_EQ(files.size(), count) << "a file was lost or replaced";
    std::set<std::uint32_t> seen;
    for (const std::wstring& name : files)
    {
        // yyyyMMddHHmmssfff, maybe "_n", then ".bmp".
        ASSERT_GE(name.size(), 21u);
        EXPECT_TRUE(std::all_of(name.begin(), name.begin() + 17, iswdigit))
            << std::string(name.begin(), name.end());
        EXPECT_EQ(name.substr(name.size() - 4), L".bmp");
        seen.insert(CentreOf(output.File(name)));
    }
    EXPECT_EQ(seen.size(), count) << "every frame is in exactly one file";
}

TEST_F(RecordingTest, WithSnappedFramesOnlyTheSnapsAreSaved)
{
    model.SetFileFormat(Png);
    model.SetSaveTarget(0);
    model.StartRecording(output.Path());
    model.StartCapture();
    for (std::uint32_t i = 0; i < 5; ++i)
    {
        Deliver(0xFF102030u);
    }
    EXPECT_TRUE(SavedFiles::ListFiles(output.Path()).empty());
    model.SaveFrame(CopyOfFrame(), L"");
    model.SaveFrame(CopyOfFrame(), L"");
    model.StopCapture();
    model.StopRecording();
    const std::vector<std::wstring> files = SavedFiles::ListFiles(output.Path());
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(CentreOf(output.File(files[0])), 0x102030u);
}

TEST_F(RecordingTest, StartAndStopRaiseTheRecordingFlagOnce)
{
    model.SetFileFormat(Bmp);
    model.StartRecording(L"C:\\");
    EXPECT_EQ(model.GetSaveFolder(), L"C:\\");
    EXPECT_TRUE(model.GetIsRecording());
    model.StartRecording(L"D:\\other");
    EXPECT_EQ(model.GetSaveFolder(), L"C:\\") << "a second start changes nothing";
    model.StopRecording();
    model.StopRecording();
    EXPECT_FALSE(model.GetIsRecording());
    EXPECT_EQ(listener.Drain(), (std::vector<int>{RecordingId, RecordingId}));
    EXPECT_EQ(model.GetSaveFolder(), L"C:\\") << "the folder is kept after the stop";

    model.StartRecording(L"D:\\cap");
    EXPECT_EQ(model.GetSaveFolder(), L"D:\\cap\\");
    model.StopRecording();
    EXPECT_TRUE(SavedFiles::ListFiles(output.Path()).empty()) << "stopping writes nothing";
}

TEST_F(RecordingTest, AFolderThatCannotBeWrittenIsReportedAndRecordingGoesOn)
{
    // Wine, running as root, writes into read-only folders; a folder whose
    // name is taken by a file cannot be written on any platform.
    const std::wstring folder = output.File(L"frames");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    model.SetFileFormat(Bmp);
    model.SetSaveTarget(1);
    model.StartRecording(folder);
    model.StartCapture();
    ASSERT_TRUE(RemoveDirectoryW(folder.c_str()));
    SavedFiles::WriteFileBytes(folder, {1, 2, 3});
    listener.Drain();

    Deliver(0xFF010101u);
    EXPECT_NE(model.GetErrorText(), L"");
    const std::vector<int> ids = listener.Drain();
    EXPECT_NE(std::find(ids.begin(), ids.end(), ErrorMessageId), ids.end());
    EXPECT_TRUE(model.GetIsRecording());

    ASSERT_TRUE(DeleteFileW(folder.c_str()));
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    Deliver(0xFF020202u);
    EXPECT_EQ(SavedFiles::ListFiles(folder + L"\\").size(), 1u) << "the next frame is saved";
    model.StopCapture();
    model.StopRecording();
}

TEST_F(RecordingTest, ThreeSnapsMakeAThreeFrameMovie)
{
    const SavingTests::OutputFolder movies;
    model.SetFileFormat(Avi);
    model.SetSaveTarget(0);
    model.SetMovieBitRate(2000000); // kbps: far beyond 32 bits per second, and ignored by AVI
    model.StartRecording(movies.File(L"snaps.avi"));
    EXPECT_TRUE(model.GetIsRecording());
    model.StartCapture();
    std::vector<Common::FrameBuffer> snaps;
    for (std::uint32_t i = 0; i < 3; ++i)
    {
        Fill(0xFF000000u + i * 0x302010u);
        snaps.push_back(CopyOfFrame());
        model.SaveFrame(snaps.back(), L"");
        Deliver(0xFF777777u); // not recorded with snapped frames only
    }
    model.StopCapture();
    model.StopRecording();
    SavingTests::WriteExpectedFrames(movies.File(L"snaps.bgr"), snaps);

    const SavingTests::AviContents avi = SavingTests::ReadAvi(movies.File(L"snaps.avi"));
    EXPECT_EQ(avi.streamHeader.dwRate, 15000u);
    EXPECT_EQ(avi.streamHeader.dwScale, 1000u);
    EXPECT_EQ(avi.bitmapHeader.biWidth, 160);
    EXPECT_EQ(avi.bitmapHeader.biHeight, 120);
    EXPECT_EQ(avi.frames.size(), 3u);
}

TEST_F(RecordingTest, AllFramesGoIntoTheMovieUntilItStops)
{
    TestSupport::TempFolder movies;
    model.SetFileFormat(Avi);
    model.SetSaveTarget(1);
    model.StartRecording(movies.File(L"all.avi"));
    model.StartCapture();
    for (std::uint32_t i = 0; i < 10; ++i)
    {
        Deliver(0xFF000000u + i);
    }
    model.StopRecording();
    Deliver(0xFFFFFFFFu);
    model.StopCapture();
    EXPECT_EQ(SavingTests::ReadAvi(movies.File(L"all.avi")).frames.size(), 10u);
    EXPECT_EQ(model.GetErrorText(), L"");
}

TEST_F(RecordingTest, AMovieThatCannotStartLeavesRecordingOff)
{
    model.SetFileFormat(Avi);
    listener.Drain();
    EXPECT_THROW(model.StartRecording(output.File(L"missing\\a.avi")), Common::Exception);
    EXPECT_FALSE(model.GetIsRecording());
    EXPECT_TRUE(listener.Drain().empty());

    // Wine has no WMV writer: an error, not a crash, and recording stays off.
    model.SetFileFormat(Wmv);
    listener.Drain();
    try
    {
        model.StartRecording(output.File(L"a.wmv"));
        model.StopRecording(); // a platform that writes WMV
    }
    catch (const Common::Exception& error)
    {
        EXPECT_FALSE(error.Message.empty());
        EXPECT_FALSE(model.GetIsRecording());
        const std::vector<int> ids = listener.Drain();
        EXPECT_EQ(std::count(ids.begin(), ids.end(), RecordingId), 0);
    }
}

TEST_F(RecordingTest, FileFormatsOutsideTheListAreRefusedWithTheirMessages)
{
    for (const auto& [format, message] :
         {std::pair{7, L"不正なモードです。"},
          std::pair{-1, L"サポートされていないフォーマットが指定されました。"}})
    {
        model.SetFileFormat(format);
        try
        {
            model.StartRecording(output.Path());
            ADD_FAILURE() << "recording started with format " << format;
        }
        catch (const Common::Exception& error)
        {
            EXPECT_EQ(error.Message, message);
        }
        EXPECT_FALSE(model.GetIsRecording());
    }
    model.SetFileFormat(-1);
    EXPECT_THROW(model.SaveFrame(CopyOfFrame(), output.File(L"a.bmp")), Common::Exception);
    EXPECT_TRUE(SavedFiles::ListFiles(output.Path()).empty());
}
