// Recording through the model: StartRecording, StopRecording and SaveFrame,
// with frames delivered by a fake device as a backend would deliver them
// (160x120 at 15 fps).
#include "AviFile.h"
#include "SavedFiles.h"

#include "support/FakeCameras.h"
#include "support/FramePixels.h"
#include "support/NotifiedWindow.h"
#include "support/TestSink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using TavixCapture::PropertyId;
using TestSupport::ListFiles;

namespace
{
enum FileFormat
{
    Bmp = 0,
    Png = 2,
    Avi = 4,
};

class RecordingTest : public testing::Test, protected TestSupport::FakeCameras
{
protected:
    RecordingTest()
    {
        model->SelectDevice(1);
        model->AddListener(&window);
        window.Drain();
    }

    // What a Snap takes: a copy of the device's frame.
    Common::FrameBuffer CopyOfFrame() { return TestSupport::LatestFrame(*cam1); }
    // Delivers a frame and waits until it is written (a still image or a
    // movie frame) or lost.
    void DeliverAndWait(std::uint32_t value)
    {
        const auto done = [this]
        {
            const auto status = model->GetRecordingStatus();
            return status.framesWritten + status.framesLost;
        };
        const std::uint64_t before = done();
        cam1->DeliverFrame(value);
        ASSERT_TRUE(TestSupport::WaitUntil([&] { return done() == before + 1; }));
    }

    TestSupport::TempFolder output;
    NotifiedWindow window;
    std::unique_ptr<TavixCapture::MainModel> model = MakeModel();
};

} // namespace

TEST_F(RecordingTest, EveryDeliveredFrameBecomesItsOwnFile)
{
    model->SetFileFormat(Bmp);
    model->SetSaveTarget(1);
    // The folder as the chooser returns it, without the final separator.
    model->StartRecording(output.Path().substr(0, output.Path().size() - 1));
    EXPECT_EQ(model->GetSaveFolder(), output.Path());
    model->StartCapture();
    // One after another as fast as the encoders take them: many frames
    // share a millisecond.
    const std::uint32_t count = 300;
    for (std::uint32_t i = 0; i < count; ++i)
    {
        DeliverAndWait(0xFF000000u | (i * 0x010203u));
    }
    model->StopCapture();
    model->StopRecording();
    EXPECT_EQ(model->GetErrorText(), L"");
    EXPECT_EQ(model->GetRecordingStatus().framesWritten, count);

    const std::vector<std::wstring> files = output.Names();
    ASSERT_EQ(files.size(), count) << "a file was lost or replaced";
    std::set<std::uint32_t> seen;
    for (const std::wstring& name : files)
    {
        // (The names themselves: the still image case of generated names.)
        EXPECT_EQ(name.substr(name.size() - 4), L".bmp");
        const Common::FrameBuffer frame = SavedFiles::Decode(output.File(name)).frame;
        seen.insert(TestSupport::PixelAt(frame, frame.width / 2, frame.height / 2) & 0x00FFFFFFu);
    }
    EXPECT_EQ(seen.size(), count) << "every frame is in exactly one file";
}

TEST_F(RecordingTest, AFolderThatCannotBeWrittenIsToldOnceAndRecordingGoesOn)
{
    // Wine, running as root, writes into read-only folders; a folder whose
    // name is taken by a file cannot be written on any platform.
    const std::wstring folder = output.File(L"frames");
    model->SetFileFormat(Bmp);
    model->SetSaveTarget(1);
    model->StartRecording(folder);
    model->StartCapture();
    TestSupport::WriteFileBytes(folder, "not a folder");
    window.Drain();

    // Every frame fails, as on a full disk: one notification for the run,
    // and each frame counted lost.
    for (int i = 0; i < 50; ++i)
    {
        DeliverAndWait(0xFF010101u);
    }
    EXPECT_NE(model->GetErrorText(), L"");
    Ids ids = window.Drain();
    EXPECT_EQ(std::count(ids.begin(), ids.end(), PropertyId::ErrorMessage), 1);
    EXPECT_TRUE(model->GetIsRecording());
    EXPECT_EQ(model->GetRecordingStatus().framesLost, 50u);

    ASSERT_TRUE(DeleteFileW(folder.c_str()));
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    DeliverAndWait(0xFF020202u);
    EXPECT_EQ(ListFiles(folder + L"\\").size(), 1u) << "the next frame is saved";
    // A frame that went through ended the run: the next failure is told again.
    ASSERT_TRUE(DeleteFileW((folder + L"\\" + ListFiles(folder + L"\\").at(0)).c_str()));
    ASSERT_TRUE(RemoveDirectoryW(folder.c_str()));
    TestSupport::WriteFileBytes(folder, "not a folder");
    DeliverAndWait(0xFF030303u);
    ids = window.Drain();
    EXPECT_EQ(std::count(ids.begin(), ids.end(), PropertyId::ErrorMessage), 1);

    model->StopCapture();
    model->StopRecording();
}

TEST_F(RecordingTest, ThreeSnapsMakeAThreeFrameMovieWhateverTheCameraDelivers)
{
    const SavingTests::OutputFolder movies;
    model->SetFileFormat(Avi);
    model->SetSaveTarget(0);
    window.Drain();
    // A movie that cannot start leaves recording off, and a snap writes nothing.
    EXPECT_THROW(model->StartRecording(output.File(L"missing\\a.avi")), Common::Exception);
    EXPECT_FALSE(model->GetIsRecording());
    EXPECT_EQ(window.Drain(), Ids{});
    model->SaveFrame(CopyOfFrame(), L"");
    EXPECT_EQ(output.Names(), std::vector<std::wstring>{});

    model->SetMovieBitRate(2000000); // kbps: far beyond 32 bits per second, and ignored by AVI
    model->StartRecording(movies.File(L"snaps.avi"));
    EXPECT_TRUE(model->GetIsRecording());
    model->StartCapture();
    std::vector<Common::FrameBuffer> snaps;
    for (std::uint32_t i = 0; i < 3; ++i)
    {
        for (int y = 0; y < 120; ++y)
        {
            for (int x = 0; x < 160; ++x)
            {
                cam1->SetPixel(x, y, 0xFF000000u + i * 0x302010u + static_cast<std::uint32_t>(x + y));
            }
        }
        snaps.push_back(CopyOfFrame());
        model->SaveFrame(snaps.back(), L"");
        cam1->DeliverFrame(0xFF777777u); // not recorded with snapped frames only
    }
    model->StopCapture();
    model->StopRecording();
    SavingTests::WriteExpectedFrames(movies.File(L"snaps.bgr"), snaps);

    // (The movie's rate, size and frames: tests/saving/check-avi.sh.)
    EXPECT_EQ(SavingTests::ReadAvi(movies.File(L"snaps.avi")).frames.size(), 3u);
}

TEST_F(RecordingTest, AMovieThatFillsARealDiskStopsWithOneMessageAndKeepsItsFrames)
{
    // tests/saving/check-avi.sh mounts a small file system where it may.
    const wchar_t* disk = _wgetenv(L"TAVIX_SMALL_DISK");
    if (disk == nullptr || *disk == L'\0')
    {
        GTEST_SKIP() << "no small file system to fill (TAVIX_SMALL_DISK is not set)";
    }
    const std::wstring path = std::wstring(disk) + L"\\disk.avi";
    model->SetFileFormat(Avi);
    model->SetSaveTarget(1);
    model->StartRecording(path);
    model->StartCapture();
    window.Drain();
    std::vector<Common::FrameBuffer> delivered;
    for (std::uint32_t i = 0; i < 1000 && model->GetIsRecording(); ++i)
    {
        DeliverAndWait(0xFF000000u + i * 0x030507u);
        delivered.push_back(CopyOfFrame());
    }
    ASSERT_FALSE(model->GetIsRecording()) << "the disk never filled";
    const Ids ids = window.Drain();
    EXPECT_EQ(std::count(ids.begin(), ids.end(), PropertyId::ErrorMessage), 1);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), PropertyId::IsRecording), 1);
    const auto status = model->GetRecordingStatus();
    EXPECT_EQ(status.failure, Common::Exception::GetSystemMessage(HRESULT_FROM_WIN32(ERROR_DISK_FULL)));
    ASSERT_GT(status.framesWritten, 0u);
    EXPECT_EQ(status.framesWritten + 1, delivered.size());
    model->StopCapture();

    // The frames written before the disk filled, and nothing else.
    EXPECT_EQ(SavingTests::ReadRiffLists(path).size(), 1u);
    delivered.resize(status.framesWritten);
    const SavingTests::OutputFolder movies;
    ASSERT_TRUE(CopyFileW(path.c_str(), movies.File(L"disk.avi").c_str(), FALSE));
    SavingTests::WriteExpectedFrames(movies.File(L"disk.bgr"), delivered);
}
