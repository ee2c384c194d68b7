// Long runs, not part of the quick suite (scripts/soak-saving.sh runs them
// with the virtual camera registered): ten seconds of 1920x1080 at 30 fps
// from the virtual camera through the program's DirectShow backend, recorded
// with "全フレーム" as an AVI movie and as BMP stills. The camera drops the
// frames it cannot deliver in time, so the frame counter in its pattern,
// read back from the files, shows any frame the saving was too slow for.
#include "SavedFiles.h"

#include "app/Bgr24Image.h"
#include "app/CaptureBackendFactory.h"
#include "app/MainModel.h"
#include "support/TempFolder.h"
#include "tools/VirtualCamera/TestPattern.h"
#include "tools/VirtualCamera/VirtualCameraIds.h"

#include <vfw.h>

#include <gtest/gtest.h>

#include <cstdio>

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
    // Prints the run and checks it: enough frames, all readable, in order, no gap.
    void Check(const char* what) const
    {
        std::uint64_t gaps = 0;
        bool increasing = true;
        for (std::size_t i = 1; i < counters.size(); ++i)
        {
            increasing = increasing && counters[i] > counters[i - 1];
            gaps += counters[i] > counters[i - 1] + 1 ? counters[i] - counters[i - 1] - 1 : 0;
        }
        std::printf("%s: %zu frames, counters %u..%u, gaps %llu, undecodable %d\n", what, counters.size(),
                    counters.empty() ? 0u : counters.front(), counters.empty() ? 0u : counters.back(),
                    static_cast<unsigned long long>(gaps), undecodable);
        EXPECT_GE(counters.size(), RecordingMs * 30 / 1000 * 9 / 10);
        EXPECT_EQ(undecodable, 0);
        EXPECT_TRUE(increasing);
        EXPECT_EQ(gaps, 0u);
    }
};

// Records RecordingMs of the virtual camera's 1920x1080 30 fps format.
void Record(std::int32_t fileFormat, const std::wstring& target)
{
    TestSupport::TempFolder settings;
    const TavixCapture::IniProfile profile(settings.File(L"TavixCapture.ini"));
    TavixCapture::MainModel model(profile, TavixCapture::CreateCaptureBackend, 1, true, false,
                                  settings.Path());
    const auto& devices = model.GetCapture().devices;
    for (std::size_t i = 0; i < devices.size(); ++i)
    {
        if (devices[i]->path == VirtualCamera::DevicePath)
        {
            model.SelectDevice(static_cast<std::int32_t>(i));
        }
    }
    ASSERT_EQ(model.GetCurrentDevice().path, VirtualCamera::DevicePath)
        << "is the virtual camera registered?";
    model.SelectFrameFormatByName(L"ARGB32 1920x1080 (30fps)");
    ASSERT_EQ(model.GetCurrentDevice().GetSelectedFormat()->GetName(), L"ARGB32 1920x1080 (30fps)");

    model.SetFileFormat(fileFormat);
    model.SetSaveTarget(1);
    model.StartRecording(target);
    model.StartCapture();
    // The run's length, not a wait for anything.
    Sleep(RecordingMs);
    model.StopCapture();
    model.StopRecording();
    EXPECT_EQ(model.GetErrorText(), L"") << "a frame could not be saved";
}

} // namespace

TEST(DISABLED_LiveRecording, AviAt1080p30LosesNoFrame)
{
    TestSupport::TempFolder folder;
    const std::wstring path = folder.File(L"live.avi");
    Record(4, path);

    // Read back through AVIFile, frame by frame (the movie is about 2 GB).
    AVIFileInit();
    PAVIFILE file = nullptr;
    ASSERT_EQ(AVIFileOpenW(&file, path.c_str(), OF_READ, nullptr), 0);
    PAVISTREAM stream = nullptr;
    ASSERT_EQ(AVIFileGetStream(file, &stream, streamtypeVIDEO, 0), 0);
    const LONG length = AVIStreamLength(stream);
    const int stride = TavixCapture::GetBgr24Stride(1920);
    std::vector<std::uint8_t> image(static_cast<std::size_t>(stride) * 1080);
    Common::FrameBuffer frame;
    frame.Resize(1920, 1080);
    CounterRun run;
    for (LONG i = 0; i < length; ++i)
    {
        ASSERT_EQ(
            AVIStreamRead(stream, i, 1, image.data(), static_cast<LONG>(image.size()), nullptr, nullptr), 0);
        for (int y = 0; y < 1080; ++y)
        {
            const std::uint8_t* source = image.data() + static_cast<std::size_t>(1079 - y) * stride;
            std::uint8_t* target = frame.pixels.data() + static_cast<std::size_t>(y) * frame.stride;
            for (int x = 0; x < 1920; ++x)
            {
                target[4 * x] = source[3 * x];
                target[4 * x + 1] = source[3 * x + 1];
                target[4 * x + 2] = source[3 * x + 2];
            }
        }
        run.Add(frame);
    }
    AVIStreamRelease(stream);
    AVIFileRelease(file);
    AVIFileExit();

    run.Check("AVI");
}

TEST(DISABLED_LiveRecording, BmpStillsAt1080p30LoseNoFrame)
{
    TestSupport::TempFolder folder;
    Record(0, folder.Path());

    // Names sort in time order; "_n" after the name without a suffix.
    CounterRun run;
    for (const std::wstring& name : folder.Names())
    {
        run.Add(SavedFiles::Decode(folder.File(name)).frame);
        DeleteFileW(folder.File(name).c_str()); // 8 MB each
    }
    run.Check("BMP");
}
