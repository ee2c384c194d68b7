// The life of one Media Foundation device over a test camera and the
// platform's own source reader (synchronous for the formats, asynchronous
// for streaming): formats, streaming of every subtype the program converts
// from plain and two-dimensional buffers, frames that are too short, a
// media-type change, the per-sample error path, null samples, every way a
// stream ends, open failures and close (without waiting for the reader, with
// a source already gone, from inside the frame callback).
#include "ReaderTap.h"
#include "TestDevices.h"
#include "support/TestSink.h"
#include "support/FramePixels.h"

#include "Common/capture/CaptureFailure.h"
#include "Common/capture/CameraControls.h"
#include "Common/capture/mediafoundation/MediaFoundationDevice.h"
#include "Common/capture/mediafoundation/MediaFoundationFrameFormat.h"
#include "app/CameraSettings.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <mferror.h>

using namespace MediaFoundationTests;
using Common::MediaFoundationDevice;
using Common::MediaFoundationFrameFormat;
using Access = TestFrame::Access;

namespace
{

std::vector<std::uint8_t> OpaqueBlack(int width, int height)
{
    return TestSupport::FilledFrame(width, height, 0xFF000000u).pixels;
}

class MediaFoundationDeviceTest : public testing::Test
{
protected:
    void TearDown() override
    {
        device.reset();
        camera.Reset();
        ExpectNothingAlive();
    }

    // A device over a camera of `setup`, with the sink registered.
    MediaFoundationDevice& Make(const std::shared_ptr<CameraSetup>& setup)
    {
        camera = TestActivate::Create(L"Cam", L"link", setup);
        device = std::make_unique<MediaFoundationDevice>(camera.Get(), false, tap->Factory());
        device->ReadFormats();
        sink.Register(*device);
        return *device;
    }

    // An open device over a camera of one type whose samples wait for DeliverOne.
    void OpenOneType(const GUID& subtype, int width, int height, std::uint32_t seed)
    {
        auto setup = CameraSetup::OneType(subtype, width, height, seed);
        setup->holdSamples = true;
        Make(setup).Open();
    }

    // Waits for a held sample request and answers it.
    bool DeliverOne()
    {
        const auto source = camera->GetSource();
        return source && WaitUntil([&] { return source->GetStream().GetPendingCount() > 0; }) &&
               source->GetStream().Deliver(1) == 1;
    }

    std::vector<std::uint8_t> CopyFrame() { return TestSupport::LatestFrame(*device).pixels; }

    // `count` errors with `code` (S_OK: none), raised in `file` unless null.
    void ExpectErrors(std::size_t count, HRESULT code, const wchar_t* file = L"MediaFoundationDevice")
    {
        const auto errors = sink.GetErrors();
        EXPECT_EQ(count, errors.size());
        for (const auto& error : errors)
        {
            EXPECT_EQ(code, error.ErrorCode) << std::hex << error.ErrorCode;
            EXPECT_TRUE(file == nullptr || error.File == file) << testing::PrintToString(error.File);
        }
    }

    const std::shared_ptr<ReaderTap> tap = std::make_shared<ReaderTap>();
    TestSink sink; // outlives the device
    Common::ComPointer<TestActivate> camera;
    std::unique_ptr<MediaFoundationDevice> device;
};

struct StreamCase
{
    GUID subtype;
    const wchar_t* name;
    int width;
    int height;
    Access access;
    int pitch;          // plain buffers: 0 packs the rows
    bool bottomUp;      // the top image row last in memory
    bool declareStride; // MF_MT_DEFAULT_STRIDE on the media type, else the platform's rows
};

// Every subtype the program converts, from plain buffers with packed and
// padded rows and from the platform's two-dimensional buffers (whose pitch
// is the platform's), top-down and bottom-up. RGB types without a declared
// stride are bottom-up: the platform's stride for them is negative.
const StreamCase streamCases[] = {
    {MFVideoFormat_RGB32, L"RGB32", 6, 4, Access::Plain, 32, false, true},
    {MFVideoFormat_ARGB32, L"ARGB32", 6, 4, Access::TwoDimensional, 0, false, true},
    {MFVideoFormat_RGB24, L"RGB24", 8, 4, Access::Plain, 0, false, false},
    {MFVideoFormat_RGB555, L"RGB555", 6, 3, Access::Plain, 16, false, true},
    {MFVideoFormat_RGB565, L"RGB565", 6, 4, Access::TwoDimensional, 0, true, true},
    {MFVideoFormat_RGB8, L"RGB8", 8, 4, Access::Plain, 0, false, false},
    {MFVideoFormat_YUY2, L"YUY2", 8, 4, Access::TwoDimensional, 0, false, false},
    {MFVideoFormat_YVYU, L"YVYU", 8, 4, Access::Plain, 20, false, true},
    {MFVideoFormat_UYVY, L"UYVY", 8, 4, Access::Plain, 24, true, true},
    {MFVideoFormat_NV12, L"NV12", 8, 4, Access::TwoDimensional, 0, false, true},
    {MFVideoFormat_NV12, L"NV12", 8, 6, Access::Plain, 12, false, true},
    {MFVideoFormat_MJPG, L"MJPG", 16, 8, Access::Plain, 0, false, false},
};

} // namespace

TEST_F(MediaFoundationDeviceTest, EveryStreamableSubtypeDeliversTheSourceImage)
{
    auto setup = std::make_shared<CameraSetup>();
    for (std::uint32_t i = 0; i < std::size(streamCases); ++i)
    {
        const StreamCase& c = streamCases[i];
        LONG platformStride = 0;
        if (!c.declareStride && c.subtype != MFVideoFormat_MJPG)
        {
            // The source lays its rows out as the platform's stride says.
            ASSERT_EQ(S_OK, MFGetStrideForBitmapInfoHeader(c.subtype.Data1, static_cast<DWORD>(c.width),
                                                           &platformStride));
        }
        const auto made = MakeFrame(c.subtype, c.width, c.height, i + 1, c.access,
                                    platformStride != 0 ? std::abs(platformStride) : c.pitch,
                                    platformStride != 0 ? platformStride < 0 : c.bottomUp);
        setup->AddType(c.subtype, c.width, c.height, 30 + i, 1, c.declareStride ? made->Stride() : 0, made);
    }
    camera = TestActivate::Create(L"Cam", L"link", setup);
    device = std::make_unique<MediaFoundationDevice>(camera.Get(), false);
    EXPECT_EQ(0, camera->activations) << "the camera is not touched until its formats are asked for";
    device->ReadFormats();
    EXPECT_EQ(1, camera->shutdowns) << "the source is down after listing the formats";
    EXPECT_FALSE(device->IsOpened());
    EXPECT_EQ(OpaqueBlack(6, 4), CopyFrame()) << "format 0 is applied";
    ASSERT_EQ(std::size(streamCases), device->GetFormats().size());

    sink.Register(*device);
    for (std::size_t i = 0; i < std::size(streamCases); ++i)
    {
        const StreamCase& c = streamCases[i];
        const TestFrame& source = *setup->frames[i];
        SCOPED_TRACE(testing::Message() << "format " << i);
        EXPECT_STREQ(c.name, device->GetFormats()[i]->GetSubtypeName());
        device->SelectFrameFormat(static_cast<int>(i));
        const int before = sink.GetFrameCount();
        device->Open();
        EXPECT_TRUE(device->IsOpened());
        ASSERT_TRUE(sink.WaitForFrames(before + 2));
        device->Close();
        EXPECT_FALSE(device->IsOpened());
        EXPECT_EQ(source.Expected(), CopyFrame());
        EXPECT_EQ(source.Expected(), sink.GetLastFrame().pixels);
    }
    ExpectErrors(0, S_OK);
}

TEST_F(MediaFoundationDeviceTest, FramesShorterThanTheirRowsAreRefused)
{
    // A plain bottom-up frame with half of its rows, an empty one, and a
    // two-dimensional buffer one byte short that says so only through its
    // contiguous length (no Lock2DSize).
    auto setup = std::make_shared<CameraSetup>();
    auto halfRows = MakeFrame(MFVideoFormat_RGB32, 8, 8, 5, Access::Plain, 0, true);
    halfRows->missing = halfRows->packed.size() / 2;
    auto empty = MakeFrame(MFVideoFormat_RGB32, 8, 8, 5);
    empty->missing = empty->packed.size();
    auto shortByOne = MakeFrame(MFVideoFormat_RGB32, 8, 8, 6, Access::ShortTwoDimensional);
    shortByOne->missing = 1;
    for (const auto& made : {halfRows, empty, shortByOne})
    {
        setup->AddType(MFVideoFormat_RGB32, 8, 8, 30 - static_cast<UINT32>(setup->types.size()), 1,
                       made->bottomUp ? -32 : 32, made);
    }
    Make(setup);
    for (int index = 0; index < 3; ++index)
    {
        device->SelectFrameFormat(index);
        device->Open();
        ASSERT_TRUE(sink.WaitForErrors(2 * index + 2)) << index;
        EXPECT_TRUE(device->IsOpened()) << "a lost frame does not end the stream";
        device->Close();
    }
    EXPECT_EQ(0, sink.GetStreamEndCount());
    // Refused by the device or, given the length, by the converter.
    ExpectErrors(sink.GetErrors().size(), HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER), nullptr);
    EXPECT_EQ(0, sink.GetFrameCount());
    EXPECT_EQ(OpaqueBlack(8, 8), CopyFrame());
}

// The camera changes its media type while streaming, as some do on their
// own: a type of the same picture size that the program converts is
// followed with its own converter and stride; one of another size ends the
// stream once, in the program's words, instead of a frozen picture; the
// next start is in the selected format again.
TEST_F(MediaFoundationDeviceTest, AMediaTypeChangeIsFollowedAtTheSameSizeAndEndsTheStreamOtherwise)
{
    auto setup = std::make_shared<CameraSetup>();
    setup->holdSamples = true;
    const auto addType = [&](const GUID& subtype, int width, UINT32 rate, std::uint32_t seed, int pitch)
    {
        const auto frame = MakeFrame(subtype, width, 4, seed, Access::Plain, pitch);
        setup->AddType(subtype, static_cast<UINT32>(width), 4, rate, 1, frame->Stride(), frame);
    };
    addType(MFVideoFormat_YUY2, 8, 30, 21, 0);
    addType(MFVideoFormat_NV12, 8, 30, 22, 0);
    addType(MFVideoFormat_YUY2, 8, 15, 23, 24); // padded rows
    addType(MFVideoFormat_YUY2, 16, 30, 24, 0);
    Make(setup).Open();
    const auto changeTo = [&](std::size_t index)
    {
        ASSERT_EQ(S_OK, camera->GetSource()->GetStream().ChangeType(index));
        tap->SetCurrentType(setup->types[index].Get());
        tap->injectFlags = MF_SOURCE_READERF_CURRENTMEDIATYPECHANGED;
    };

    ASSERT_TRUE(DeliverOne());
    ASSERT_TRUE(sink.WaitForFrames(1));
    EXPECT_EQ(setup->frames[0]->Expected(), CopyFrame());
    for (const std::size_t index : {1, 2})
    {
        changeTo(index);
        ASSERT_TRUE(DeliverOne());
        ASSERT_TRUE(sink.WaitForFrames(1 + static_cast<int>(index)));
        EXPECT_EQ(setup->frames[index]->Expected(), CopyFrame()) << "type " << index;
    }
    ExpectErrors(0, S_OK);

    const int requests = tap->readRequests.load();
    changeTo(3);
    ASSERT_TRUE(DeliverOne());
    ASSERT_TRUE(sink.WaitForErrors(1));
    ExpectErrors(1, MF_E_INVALIDMEDIATYPE);
    EXPECT_EQ(1, sink.GetStreamEndCount());
    EXPECT_FALSE(device->IsOpened());
    EXPECT_EQ(requests, tap->readRequests.load()) << "no read after the end";
    EXPECT_EQ(L"キャプチャーデバイスの映像の形式が変わりました（YUY2 16x4 (30fps)）。"
              L"映像の形式を選び直して、もう一度「取り込み」を押してください。",
              sink.GetErrors()[0].Message);
    EXPECT_EQ(3, sink.GetFrameCount());
    EXPECT_EQ(setup->frames[2]->Expected(), CopyFrame());

    tap->SetCurrentType(nullptr);
    device->Open();
    ASSERT_TRUE(DeliverOne());
    ASSERT_TRUE(sink.WaitForFrames(4));
    EXPECT_EQ(setup->frames[0]->Expected(), CopyFrame());
}

TEST_F(MediaFoundationDeviceTest, ANullSampleOnlyRequestsTheNextRead)
{
    OpenOneType(MFVideoFormat_RGB32, 4, 2, 11);
    ASSERT_TRUE(WaitUntil([&] { return camera->GetSource()->GetStream().GetPendingCount() > 0; }));
    camera->GetSource()->GetStream().QueueTick();
    ASSERT_TRUE(tap->WaitForResults(1));
    EXPECT_EQ(2, tap->readRequests.load());
    EXPECT_EQ(0, sink.GetFrameCount());
    EXPECT_EQ(OpaqueBlack(4, 2), CopyFrame());
    ASSERT_TRUE(DeliverOne());
    ASSERT_TRUE(sink.WaitForFrames(1));
    ExpectErrors(0, S_OK);
}

// Every way the platform ends a stream: the sink hears of it once, in the
// program's words when the code has some, the device is closed with its
// source shut down once, no read follows, and the device opens again.
TEST_F(MediaFoundationDeviceTest, EveryStreamEndGivesOneMessageAndAStoppedDeviceThatOpensAgain)
{
    struct EndCase
    {
        HRESULT status;   // of the read result
        DWORD flags;      // added to the read result
        bool failRequest; // the read request after the frame fails instead
        HRESULT code;     // of the error the sink hears
        bool ownText;     // the message is the program's text for the code
    };
    const EndCase cases[] = {
        {MF_E_HW_MFT_FAILED_START_STREAMING, 0, false, MF_E_HW_MFT_FAILED_START_STREAMING, true},
        {MF_E_VIDEO_RECORDING_DEVICE_PREEMPTED, 0, false, MF_E_VIDEO_RECORDING_DEVICE_PREEMPTED, true},
        {E_ACCESSDENIED, 0, false, E_ACCESSDENIED, true},
        {MF_E_VIDEO_RECORDING_DEVICE_INVALIDATED, 0, false, MF_E_VIDEO_RECORDING_DEVICE_INVALIDATED, true},
        {E_FAIL, 0, false, E_FAIL, false},
        {S_OK, MF_SOURCE_READERF_ERROR, false, E_FAIL, false},
        {S_OK, MF_SOURCE_READERF_ENDOFSTREAM, false, MF_E_END_OF_STREAM, true},
        {S_OK, 0, true, ReaderTap::failReadCode, false},
    };
    auto setup = CameraSetup::OneType(MFVideoFormat_RGB32, 4, 2, 12);
    setup->holdSamples = true;
    Make(setup);
    int frames = 0;
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        const EndCase& c = cases[i];
        SCOPED_TRACE(testing::Message() << "case " << i << std::hex << " status " << c.status);
        device->Open();
        ASSERT_TRUE(DeliverOne());
        ASSERT_TRUE(sink.WaitForFrames(++frames));
        ASSERT_TRUE(WaitUntil([&] { return tap->results.load() == tap->readRequests.load() - 1; }));

        const int requests = tap->readRequests.load();
        const int results = tap->results.load();
        tap->failNextStatus = c.status;
        tap->injectFlags = c.flags;
        tap->failReads = c.failRequest ? 1 : 0;
        ASSERT_TRUE(DeliverOne());
        ASSERT_TRUE(tap->WaitForResults(results + 1));
        ASSERT_EQ(static_cast<int>(i) + 1, static_cast<int>(sink.GetErrors().size()));
        EXPECT_FALSE(device->IsOpened());
        EXPECT_EQ(requests + (c.failRequest ? 1 : 0), tap->readRequests.load()) << "no read after the end";
        const Common::Exception error = sink.GetErrors().back();
        EXPECT_EQ(c.code, error.ErrorCode);
        const wchar_t* own = Common::CaptureFailure::Describe(c.code);
        EXPECT_EQ(c.ownText, own != nullptr);
        EXPECT_TRUE(own == nullptr ? error.Message.find(L"（") != std::wstring::npos : error.Message == own)
            << testing::PrintToString(error.Message);
        EXPECT_EQ(static_cast<int>(i) + 1, sink.GetStreamEndCount());
        EXPECT_EQ(static_cast<int>(i) + 1, camera->shutdowns - 1) << "the source goes down once per stream";
        if (c.flags == MF_SOURCE_READERF_ENDOFSTREAM || c.failRequest)
        {
            // The sample of the last result still came through.
            EXPECT_EQ(++frames, sink.GetFrameCount());
        }
        device->Close(); // nothing left to close
    }
    EXPECT_EQ(std::size(cases), sink.GetErrors().size());
    EXPECT_EQ(0, LiveObjects::repeatedShutdowns.load());

    device->Open();
    ASSERT_TRUE(DeliverOne());
    ASSERT_TRUE(sink.WaitForFrames(frames + 1));
}

// The camera unplugged with a read under way: the source's removal ends the
// stream once in the program's words, the source goes down once, and the
// late answer of the request reaches nothing.
TEST_F(MediaFoundationDeviceTest, TheSourcesRemovalEndsTheStreamOnce)
{
    OpenOneType(MFVideoFormat_RGB32, 4, 2, 12);
    ASSERT_TRUE(DeliverOne());
    ASSERT_TRUE(sink.WaitForFrames(1));
    const auto source = camera->GetSource();
    ASSERT_TRUE(WaitUntil([&] { return source->GetStream().GetPendingCount() > 0; }));

    // The source says so; Wine's reader keeps it to itself, Windows' passes it on.
    ASSERT_HRESULT_SUCCEEDED(source->QueueDeviceRemoved());
    ASSERT_HRESULT_SUCCEEDED(tap->PassSourceEvent(MEVideoCaptureDeviceRemoved));
    ASSERT_TRUE(sink.WaitForErrors(1));
    EXPECT_FALSE(device->IsOpened());
    EXPECT_EQ(1, sink.GetStreamEndCount());
    EXPECT_EQ(MF_E_VIDEO_RECORDING_DEVICE_INVALIDATED, sink.GetErrors()[0].ErrorCode);
    EXPECT_EQ(0u, sink.GetErrors()[0].Message.rfind(L"カメラが取り外されました。", 0));
    EXPECT_EQ(2, camera->shutdowns) << "once after the listing, once for the stream";
    source->GetStream().Deliver(1);
    device->Close();
    EXPECT_EQ(1, sink.GetFrameCount());
    EXPECT_EQ(1u, sink.GetErrors().size());
    EXPECT_EQ(0, LiveObjects::repeatedShutdowns.load());
}

TEST_F(MediaFoundationDeviceTest, ASourceAlreadyShutDownClosesCleanlyAndAFormatSwitchRestarts)
{
    auto setup = CameraSetup::OneType(MFVideoFormat_RGB32, 4, 2, 13);
    const auto yuy2 = MakeFrame(MFVideoFormat_YUY2, 8, 2, 14);
    setup->AddType(MFVideoFormat_YUY2, 8, 2, 30, 1, yuy2->Stride(), yuy2);
    Make(setup);
    camera->shutdownResult = MF_E_SHUTDOWN;
    device->Open();
    ASSERT_TRUE(sink.WaitForFrames(1));
    device->SelectFrameFormat(1);
    EXPECT_TRUE(device->IsOpened());
    const int frames = sink.GetFrameCount();
    ASSERT_TRUE(sink.WaitForFrames(frames + 2));
    EXPECT_EQ(yuy2->Expected(), sink.GetLastFrame().pixels);
    device->Close();
    EXPECT_FALSE(device->IsOpened());
    ExpectErrors(0, S_OK);
    EXPECT_EQ(3, camera->shutdowns) << "listing, then once per stream";
    EXPECT_EQ(0, LiveObjects::repeatedShutdowns.load()) << "nothing but ShutdownObject shuts the source down";

    // Another failure of a live device's teardown is still an error, after the device closed.
    camera->shutdownResult = E_FAIL;
    device->Open();
    EXPECT_EQ(E_FAIL, ErrorOf([&] { device->Close(); }).ErrorCode);
    EXPECT_FALSE(device->IsOpened());
}

TEST_F(MediaFoundationDeviceTest, OnlyTheFirstVideoStreamIsRead)
{
    auto setup = CameraSetup::OneType(MFVideoFormat_RGB32, 4, 2, 18);
    setup->secondStream = true;
    Make(setup).Open();
    ASSERT_TRUE(sink.WaitForFrames(2));
    EXPECT_EQ((std::vector<bool>{true, false}), camera->GetSource()->GetStartSelection());
}

TEST_F(MediaFoundationDeviceTest, CloseDoesNotWaitForTheReadersFlush)
{
    OpenOneType(MFVideoFormat_RGB32, 4, 2, 17);
    ASSERT_TRUE(DeliverOne());
    ASSERT_TRUE(sink.WaitForFrames(1));
    tap->holdFlush = true;
    device->Close();
    EXPECT_FALSE(device->IsOpened());
    // The reader is let go only once its flush is confirmed, on another thread.
    ASSERT_TRUE(WaitUntil([&] { return tap->ReleaseFlush(); }));
    ASSERT_TRUE(WaitUntil([&] { return tap.use_count() == 1; })) << "the reader is let go";
}

TEST_F(MediaFoundationDeviceTest, OpenFailureLeavesTheDeviceClosedWithItsSourceShutDown)
{
    Make(CameraSetup::OneType(MFVideoFormat_RGB32, 4, 2, 16));
    camera->activationResult = E_ACCESSDENIED;
    const Common::Exception error = ErrorOf([&] { device->Open(); });
    EXPECT_EQ(E_ACCESSDENIED, error.ErrorCode);
    EXPECT_EQ(Common::CaptureFailure::Describe(E_ACCESSDENIED), error.Message);
    EXPECT_EQ(L"MediaFoundationDevice", error.File);
    EXPECT_FALSE(device->IsOpened());
    EXPECT_EQ(2, camera->shutdowns);

    // It opens once the source can be activated again; Open and Close twice do nothing more.
    camera->activationResult = S_OK;
    device->Open();
    ASSERT_TRUE(sink.WaitForFrames(1));
    device->Open();
    EXPECT_EQ(2, camera->activations);
    device->Close();
    const int frames = sink.GetFrameCount();
    device->Close();
    EXPECT_EQ(3, camera->shutdowns);
    EXPECT_FALSE(camera->GetSource());
    Sleep(100);
    EXPECT_EQ(frames, sink.GetFrameCount()) << "no frame after Close";
}

TEST_F(MediaFoundationDeviceTest, CloseFromInsideTheFrameCallbackEndsTheStreamAtThatFrame)
{
    sink.afterFrame = [](Common::Device& delivering) { delivering.Close(); };
    Make(CameraSetup::OneType(MFVideoFormat_YUY2, 16, 8, 19));
    for (int round = 1; round <= 3; ++round)
    {
        device->Open();
        ASSERT_TRUE(sink.WaitForFrames(round));
        EXPECT_FALSE(device->IsOpened());
        EXPECT_EQ(round + 1, camera->shutdowns) << "the source goes down at once";
    }
    EXPECT_EQ(3, tap->readRequests.load()) << "no read after a close in the callback";
    EXPECT_EQ(3, sink.GetFrameCount());
    ExpectErrors(0, S_OK);
    device.reset();
    EXPECT_EQ(4, camera->shutdowns);
}

// The settings come from the media source, closed or open: Open streams from
// the source the settings were made on, a change reaches the streaming source,
// and a source activated for the settings alone is shut down with the device.
TEST_F(MediaFoundationDeviceTest, CameraSettingsComeFromTheMediaSourceOpenOrClosed)
{
    using Common::CameraPropertyId;
    auto setup = CameraSetup::OneType(MFVideoFormat_RGB32, 4, 2, 1);
    setup->cameraControl[CameraControl_Exposure] = {-8, -2, 1, -4, 3, -4, CameraControl_Flags_Auto};
    setup->procAmp[13] = {0, 2, 1, 1, 2, 2, 2}; // power-line frequency, 60 Hz
    Make(setup);
    auto controls = device->GetCameraControls();
    const auto exposure = controls->GetProperty(CameraPropertyId::Exposure);
    EXPECT_EQ(exposure.minimum, -8);
    EXPECT_EQ(exposure.defaultValue, -4);
    EXPECT_TRUE(exposure.automaticOffered && exposure.automatic);
    EXPECT_EQ(controls->GetProperty(CameraPropertyId::PowerLineFrequency).value, 2);
    EXPECT_FALSE(controls->GetProperty(CameraPropertyId::Gain).supported);
    controls->SetProperty(CameraPropertyId::Exposure, -6, false);

    const auto settingsSource = camera->GetSource();
    device->Open();
    ASSERT_TRUE(sink.WaitForFrames(2));
    EXPECT_EQ(camera->GetSource(), settingsSource) << "Open took the source of the settings over";
    controls = device->GetCameraControls();
    EXPECT_EQ(controls->GetProperty(CameraPropertyId::Exposure).value, -6);
    controls->SetProperty(CameraPropertyId::PowerLineFrequency, 1, false);
    LONG value = 0, flags = 0;
    ASSERT_EQ(static_cast<IAMVideoProcAmp*>(settingsSource.Get())->Get(13, &value, &flags), S_OK);
    EXPECT_EQ(value, 1);
    controls->ResetToDefaults();
    EXPECT_EQ(controls->GetProperty(CameraPropertyId::Exposure).value, -4);
    EXPECT_FALSE(controls->GetProperty(CameraPropertyId::Exposure).automatic);
    device->Close();

    controls = device->GetCameraControls(); // closed: a source for the settings alone
    EXPECT_TRUE(controls->HasAny());
    const int shutdowns = camera->shutdowns;
    device.reset();
    EXPECT_EQ(camera->shutdowns, shutdowns + 1);
}

// The program's saved settings of a camera reach its media source: applied
// to the source made for the settings while closed, clamped into the range,
// and kept by the source Open streams from.
TEST_F(MediaFoundationDeviceTest, SavedCameraSettingsReachTheStreamingSource)
{
    using Common::CameraPropertyId;
    auto setup = CameraSetup::OneType(MFVideoFormat_RGB32, 4, 2, 1);
    setup->cameraControl[CameraControl_Exposure] = {-8, -2, 1, -4, 3, -4, CameraControl_Flags_Auto};
    setup->procAmp[VideoProcAmp_Gain] = {0, 10, 1, 0, 2, 0, 2};
    Make(setup);
    TestSupport::TempFolder folder;
    const TavixCapture::IniProfile profile(folder.File(L"TavixCapture.ini"));
    const std::wstring section = TavixCapture::CameraSettings::SectionName(device->path);
    profile.WriteInt(section.c_str(), L"Exposure", -20);
    profile.WriteInt(section.c_str(), L"IsExposureAutomatic", 0);
    profile.WriteInt(section.c_str(), L"Gain", 7);
    const TavixCapture::CameraSettings settings(profile);
    settings.Restore(*device);
    device->Open();
    ASSERT_TRUE(sink.WaitForFrames(1));
    settings.Restore(*device); // as the model does once the stream runs
    const auto controls = device->GetCameraControls();
    const auto exposure = controls->GetProperty(CameraPropertyId::Exposure);
    EXPECT_EQ(exposure.value, -8) << "the bottom of the camera's range";
    EXPECT_FALSE(exposure.automatic);
    EXPECT_EQ(controls->GetProperty(CameraPropertyId::Gain).value, 7);
    LONG value = 0, flags = 0;
    ASSERT_EQ(
        static_cast<IAMVideoProcAmp*>(camera->GetSource().Get())->Get(VideoProcAmp_Gain, &value, &flags),
        S_OK);
    EXPECT_EQ(value, 7) << "on the source that streams";

    controls->SetProperty(CameraPropertyId::Gain, 3, false);
    ASSERT_TRUE(settings.Save(device->path, controls->GetProperties()));
    EXPECT_EQ(profile.ReadInt(section.c_str(), L"Gain", 0), 3);
    EXPECT_EQ(profile.ReadInt(section.c_str(), L"Exposure", 0), -8);
    EXPECT_EQ(profile.ReadString(section.c_str(), L"Focus", L"none"), L"none") << "only what the camera has";
    device->Close();
}
