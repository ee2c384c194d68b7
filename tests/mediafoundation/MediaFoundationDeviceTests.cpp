// The life of one Media Foundation device over a test source and the
// platform's own asynchronous source reader: formats, streaming of every
// subtype the program converts, bottom-up sources, the per-sample error
// path, null samples, failed reads, open failures and close.
//
// What is real here: Wine's source reader (synchronous for the formats,
// asynchronous for streaming), media types, samples, event queues, stream
// and presentation descriptors. What is ours: the activation object, the
// media source with its stream, and the buffers (tests/mediafoundation/Test*),
// because Wine lists no capture device. A failed read status and a failed
// ReadSample cannot be provoked through Wine's reader from a source (a stream
// error event is not reported, and ReadSample succeeds even after the source
// is shut down), so ReaderTap wraps the real reader to inject those two.
#include "ReaderTap.h"
#include "TestDevices.h"
#include "TestFrames.h"
#include "TestSink.h"

#include "Common/capture/mediafoundation/MediaFoundationDevice.h"
#include "Common/capture/mediafoundation/MediaFoundationFrameFormat.h"
#include "Common/capture/mediafoundation/MediaFoundationInitializer.h"

#include <gtest/gtest.h>
#include <mfapi.h>
#include <mferror.h>

#include <cstring>

using namespace MediaFoundationTests;
using Common::MediaFoundationDevice;
using Common::MediaFoundationFrameFormat;

namespace
{

class MediaFoundationDeviceTest : public testing::Test
{
protected:
    void TearDown() override { ExpectNothingAlive(); }

    // A camera with one type: a frame of `subtype` made from `seed` (kept in
    // `frame`) and the type declaring `stride`; with `hold`, its samples wait
    // for DeliverOne.
    Common::ComPointer<TestActivate> OneTypeCamera(const GUID& subtype, int width, int height, INT32 stride,
                                                   std::uint32_t seed, bool hold = false)
    {
        auto setup = std::make_shared<TestSourceSetup>();
        setup->holdSamples = hold;
        frame = EncodeFrame(subtype, width, height, 0, false, false, seed);
        setup->AddType(subtype, width, height, 30, 1, stride, frame.source);
        return TestActivate::Create(L"Cam", L"link", setup);
    }

    std::vector<std::uint8_t> CopyFrame(Common::Device& device)
    {
        Common::AutoLock lock(device.frameLock);
        return device.frame.pixels;
    }

    // Answers every held request of the camera, waits a while and expects
    // the reader's callback to have had `results` calls all the same.
    void ExpectNoMoreResults(TestActivate& camera, int results)
    {
        camera.GetSource()->GetStream().Deliver(10);
        Sleep(100);
        EXPECT_EQ(results, tap->results.load());
    }

    std::shared_ptr<ReaderTap> tap = std::make_shared<ReaderTap>();
    EncodedFrame frame; // of the last OneTypeCamera
    TestSink sink;      // outlives every device of the test
};

std::vector<std::uint8_t> OpaqueBlack(int width, int height)
{
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4, 0);
    for (std::size_t i = 3; i < pixels.size(); i += 4)
    {
        pixels[i] = 0xFF;
    }
    return pixels;
}

struct StreamCase
{
    GUID subtype;
    const wchar_t* name;
    int width;
    int height;
    int pitch;           // 0: packed rows
    bool bottomUp;       // rows stored bottom-up
    bool twoDimensional; // IMF2DBuffer access
    bool declareStride;  // MF_MT_DEFAULT_STRIDE on the media type
};

// Every subtype the program converts, with packed and padded rows, both
// buffer accesses, top-down and bottom-up storage, with and without a
// declared stride (RGB types without one are bottom-up, as the platform's
// stride for them is negative).
const StreamCase streamCases[] = {
    {MFVideoFormat_RGB32, L"RGB32", 6, 4, 32, false, false, true},
    {MFVideoFormat_ARGB32, L"ARGB32", 6, 4, 0, false, true, true},
    {MFVideoFormat_RGB24, L"RGB24", 8, 4, 24, true, false, false},
    {MFVideoFormat_RGB555, L"RGB555", 6, 3, 16, false, false, true},
    {MFVideoFormat_RGB565, L"RGB565", 6, 4, 0, true, true, true},
    {MFVideoFormat_RGB8, L"RGB8", 8, 4, 8, true, false, false},
    {MFVideoFormat_YUY2, L"YUY2", 8, 4, 0, false, false, false},
    {MFVideoFormat_YVYU, L"YVYU", 8, 4, 20, false, true, true},
    {MFVideoFormat_UYVY, L"UYVY", 8, 4, 24, true, false, true},
    {MFVideoFormat_NV12, L"NV12", 8, 4, 12, false, false, true},
    {MFVideoFormat_MJPG, L"MJPG", 16, 8, 0, false, false, false},
};

} // namespace

TEST_F(MediaFoundationDeviceTest, EveryStreamableSubtypeDeliversTheSourceImage)
{
    auto setup = std::make_shared<TestSourceSetup>();
    std::vector<EncodedFrame> frames;
    std::uint32_t seed = 1;
    for (const auto& c : streamCases)
    {
        int pitch = c.pitch;
        bool bottomUp = c.bottomUp;
        if (!c.declareStride && c.subtype != MFVideoFormat_MJPG)
        {
            // The source lays its rows out as the platform's stride says.
            LONG platformStride = 0;
            ASSERT_EQ(S_OK, MFGetStrideForBitmapInfoHeader(c.subtype.Data1, static_cast<DWORD>(c.width),
                                                           &platformStride));
            pitch = platformStride < 0 ? -platformStride : platformStride;
            bottomUp = platformStride < 0;
        }
        frames.push_back(
            EncodeFrame(c.subtype, c.width, c.height, pitch, bottomUp, c.twoDimensional, seed++));
        setup->AddType(c.subtype, c.width, c.height, 30, 1, c.declareStride ? frames.back().stride : 0,
                       frames.back().source);
    }
    auto activate = TestActivate::Create(L"カメラ", L"\\\\?\\test#camera", setup);
    MediaFoundationDevice device(activate.Get(), false);
    ASSERT_EQ(std::size(streamCases), device.formats.size());
    EXPECT_EQ(L"カメラ", device.name);
    EXPECT_EQ(L"\\\\?\\test#camera", device.path);

    sink.Register(device);
    for (std::size_t i = 0; i < std::size(streamCases); ++i)
    {
        const StreamCase& c = streamCases[i];
        SCOPED_TRACE(testing::Message() << "format " << i);
        const auto& format = static_cast<const MediaFoundationFrameFormat&>(*device.formats[i]);
        EXPECT_STREQ(c.name, format.GetSubtypeName());
        if (c.subtype != MFVideoFormat_MJPG)
        {
            EXPECT_EQ(frames[i].stride, format.stride);
        }

        const bool resized = device.frame.width != c.width || device.frame.height != c.height;
        device.SelectFrameFormat(static_cast<int>(i));
        if (i == 0 || resized)
        {
            EXPECT_EQ(OpaqueBlack(c.width, c.height), CopyFrame(device)) << "a new size starts black";
        }
        else
        {
            EXPECT_EQ(frames[i - 1].expected, CopyFrame(device)) << "the same size keeps the last image";
        }
        const int before = sink.GetFrameCount();
        device.Open();
        EXPECT_TRUE(device.IsOpened());
        ASSERT_TRUE(sink.WaitForFrames(before + 2));
        device.Close();
        EXPECT_FALSE(device.IsOpened());
        EXPECT_EQ(frames[i].expected, CopyFrame(device));
        EXPECT_EQ(frames[i].expected, sink.GetLastFrame());
    }
    for (const auto& error : sink.GetErrors())
    {
        ADD_FAILURE() << "error 0x" << std::hex << error.code << " " << testing::PrintToString(error.file)
                      << std::dec << " line " << error.line;
    }
    device.ClearSink();
}

TEST_F(MediaFoundationDeviceTest, StrideIsComputedAndWrittenBackWhenTheTypeHasNone)
{
    auto setup = std::make_shared<TestSourceSetup>();
    auto frame = EncodeFrame(MFVideoFormat_YUY2, 10, 2, 0, false, false, 7);
    setup->AddType(MFVideoFormat_YUY2, 10, 2, 30, 1, 0, frame.source);
    setup->AddType(MFVideoFormat_RGB24, 10, 2, 30, 1, 0, frame.source);
    setup->AddType(MFVideoFormat_RGB24, 10, 2, 15, 1, 40, frame.source);
    setup->AddType(MFVideoFormat_H264, 10, 2, 30, 1, 0, frame.source);
    auto activate = TestActivate::Create(L"Cam", L"link", setup);
    MediaFoundationDevice device(activate.Get(), false, tap->Factory());
    ASSERT_EQ(4u, device.formats.size());

    LONG yuy2 = 0;
    LONG rgb24 = 0;
    ASSERT_EQ(S_OK, MFGetStrideForBitmapInfoHeader(MFVideoFormat_YUY2.Data1, 10, &yuy2));
    ASSERT_EQ(S_OK, MFGetStrideForBitmapInfoHeader(MFVideoFormat_RGB24.Data1, 10, &rgb24));
    EXPECT_EQ(20, yuy2);
    EXPECT_GT(0, rgb24) << "the platform's RGB rows are bottom-up";
    const int expected[] = {yuy2, rgb24, 40, 0};
    for (std::size_t i = 0; i < 4; ++i)
    {
        const auto& format = static_cast<const MediaFoundationFrameFormat&>(*device.formats[i]);
        EXPECT_EQ(expected[i], format.stride) << i;
        UINT32 stored = 0;
        const HRESULT hr = format.mediaType->GetUINT32(MF_MT_DEFAULT_STRIDE, &stored);
        if (i == 3)
        {
            EXPECT_EQ(MF_E_ATTRIBUTENOTFOUND, hr) << "a compressed type has no stride to store";
        }
        else
        {
            EXPECT_EQ(S_OK, hr);
            EXPECT_EQ(expected[i], static_cast<INT32>(stored)) << i;
        }
    }
}

TEST_F(MediaFoundationDeviceTest, ConstructionLeavesTheSourceShutDownAndFormatZeroApplied)
{
    auto activate = OneTypeCamera(MFVideoFormat_RGB32, 640, 480, 2560, 3);
    MediaFoundationDevice device(activate.Get(), false, tap->Factory());
    EXPECT_FALSE(device.IsOpened());
    EXPECT_EQ(1, activate->GetActivationCount());
    EXPECT_EQ(1, activate->GetShutdownCount());
    EXPECT_FALSE(activate->GetSource());
    EXPECT_EQ(0, device.selectedFormatIndex);
    EXPECT_EQ(2560, device.frame.stride);
    EXPECT_EQ(OpaqueBlack(640, 480), CopyFrame(device));
}

TEST_F(MediaFoundationDeviceTest, PlainBufferTooShortForItsBottomUpRowsIsRefused)
{
    auto setup = std::make_shared<TestSourceSetup>();
    auto full = EncodeFrame(MFVideoFormat_RGB32, 8, 8, 0, true, false, 5);
    auto truncated = std::make_shared<TestFrameBytes>(*full.source);
    truncated->bytes.resize(32 * 4); // half of the rows
    auto empty = std::make_shared<TestFrameBytes>();
    setup->AddType(MFVideoFormat_RGB32, 8, 8, 30, 1, -32, truncated);
    setup->AddType(MFVideoFormat_RGB32, 8, 8, 15, 1, 32, empty);
    auto activate = TestActivate::Create(L"Cam", L"link", setup);
    MediaFoundationDevice device(activate.Get(), false, tap->Factory());
    sink.Register(device);
    for (int index = 0; index < 2; ++index)
    {
        device.SelectFrameFormat(index);
        device.Open();
        ASSERT_TRUE(sink.WaitForErrors(2 * index + 2));
        device.Close();
    }
    for (const auto& error : sink.GetErrors())
    {
        EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER), error.code);
        EXPECT_EQ(L"MediaFoundationDevice", error.file);
    }
    EXPECT_EQ(0, sink.GetFrameCount());
    EXPECT_EQ(OpaqueBlack(8, 8), CopyFrame(device));
    device.ClearSink();
}

TEST_F(MediaFoundationDeviceTest, SubtypeWithoutTransformerReportsOneErrorPerSampleAndNoImage)
{
    auto activate = OneTypeCamera(MFVideoFormat_I420, 8, 4, 8, 9, true);
    MediaFoundationDevice device(activate.Get(), false, tap->Factory());
    EXPECT_STREQ(L"I420", device.formats[0]->GetSubtypeName());
    sink.Register(device);
    device.Open();
    for (int i = 1; i <= 3; ++i)
    {
        ASSERT_TRUE(DeliverOne(*activate.Get()));
        ASSERT_TRUE(tap->WaitForResults(i));
        ASSERT_TRUE(sink.WaitForErrors(i));
        EXPECT_EQ(E_POINTER, tap->lastReturn.load());
    }
    const auto errors = sink.GetErrors();
    ASSERT_EQ(3u, errors.size());
    for (const auto& error : errors)
    {
        EXPECT_EQ(E_POINTER, error.code);
        EXPECT_EQ(L"MediaFoundationDevice", error.file);
    }
    EXPECT_EQ(4, tap->readRequests.load()) << "open, then one new request per sample";
    EXPECT_EQ(0, sink.GetFrameCount());
    EXPECT_EQ(OpaqueBlack(8, 4), CopyFrame(device));
    device.Close();
    device.ClearSink();
}

TEST_F(MediaFoundationDeviceTest, NullSampleOnlyRequestsTheNextRead)
{
    auto activate = OneTypeCamera(MFVideoFormat_RGB32, 4, 2, 16, 11, true);
    MediaFoundationDevice device(activate.Get(), false, tap->Factory());
    sink.Register(device);
    device.Open();
    ASSERT_TRUE(WaitUntil([&] { return activate->GetSource()->GetStream().GetPendingCount() > 0; }));
    // A stream tick reaches the callback as a read result without a sample.
    activate->GetSource()->GetStream().QueueTick();
    ASSERT_TRUE(tap->WaitForResults(1));
    EXPECT_EQ(2, tap->readRequests.load());
    EXPECT_EQ(S_OK, tap->lastReturn.load());
    EXPECT_EQ(0, sink.GetFrameCount());
    EXPECT_TRUE(sink.GetErrors().empty());
    EXPECT_EQ(OpaqueBlack(4, 2), CopyFrame(device));

    ASSERT_TRUE(DeliverOne(*activate.Get()));
    ASSERT_TRUE(sink.WaitForFrames(1));
    EXPECT_EQ(frame.expected, CopyFrame(device));
    device.Close();
    device.ClearSink();
}

TEST_F(MediaFoundationDeviceTest, FailedReadStatusStopsDeliveryWithoutTellingTheSink)
{
    auto activate = OneTypeCamera(MFVideoFormat_RGB32, 4, 2, 16, 12, true);
    MediaFoundationDevice device(activate.Get(), false, tap->Factory());
    sink.Register(device);
    device.Open();
    ASSERT_TRUE(DeliverOne(*activate.Get()));
    ASSERT_TRUE(sink.WaitForFrames(1));
    ASSERT_TRUE(tap->WaitForResults(1));

    tap->failNextStatus = E_ACCESSDENIED;
    ASSERT_TRUE(DeliverOne(*activate.Get()));
    ASSERT_TRUE(tap->WaitForResults(2));
    EXPECT_EQ(E_ACCESSDENIED, tap->lastReturn.load());
    EXPECT_EQ(2, tap->readRequests.load()) << "no read after the failed status";
    Sleep(100);
    EXPECT_EQ(2, tap->results.load());
    EXPECT_EQ(1, sink.GetFrameCount());
    EXPECT_TRUE(sink.GetErrors().empty());
    EXPECT_TRUE(device.IsOpened()) << "open but silent until closed";
    device.Close();
    EXPECT_FALSE(device.IsOpened());
    device.ClearSink();
}

TEST_F(MediaFoundationDeviceTest, FailedReadRequestIsReportedAndRetriedOnce)
{
    auto activate = OneTypeCamera(MFVideoFormat_RGB32, 4, 2, 16, 13, true);
    MediaFoundationDevice device(activate.Get(), false, tap->Factory());
    sink.Register(device);
    device.Open();

    // The request after a frame fails once: reported, and the repeated
    // request keeps the stream going.
    tap->failReads = 1;
    ASSERT_TRUE(DeliverOne(*activate.Get()));
    ASSERT_TRUE(tap->WaitForResults(1));
    EXPECT_EQ(1, sink.GetFrameCount());
    ASSERT_EQ(1u, sink.GetErrors().size());
    EXPECT_EQ(tap->failReadCode, sink.GetErrors()[0].code);
    EXPECT_EQ(tap->failReadCode, tap->lastReturn.load());
    EXPECT_EQ(3, tap->readRequests.load());
    ASSERT_TRUE(DeliverOne(*activate.Get()));
    ASSERT_TRUE(sink.WaitForFrames(2));

    // Both requests fail: one error, and nothing more arrives.
    ASSERT_TRUE(tap->WaitForResults(2));
    EXPECT_EQ(4, tap->readRequests.load());
    tap->failReads = 2;
    ASSERT_TRUE(DeliverOne(*activate.Get()));
    ASSERT_TRUE(tap->WaitForResults(3));
    EXPECT_EQ(tap->failReadCode, tap->lastReturn.load());
    EXPECT_EQ(3, sink.GetFrameCount());
    EXPECT_EQ(2u, sink.GetErrors().size());
    ExpectNoMoreResults(*activate.Get(), 3);
    EXPECT_EQ(3, sink.GetFrameCount());
    device.Close();
    device.ClearSink();
}

TEST_F(MediaFoundationDeviceTest, FailedReadRequestOnTheErrorPathStopsDelivery)
{
    auto activate = OneTypeCamera(MFVideoFormat_I420, 8, 4, 8, 14, true);
    MediaFoundationDevice device(activate.Get(), false, tap->Factory());
    sink.Register(device);
    device.Open();
    tap->failReads = 1;
    ASSERT_TRUE(DeliverOne(*activate.Get()));
    ASSERT_TRUE(tap->WaitForResults(1));
    const auto errors = sink.GetErrors();
    ASSERT_EQ(1u, errors.size());
    EXPECT_EQ(E_POINTER, errors[0].code) << "the sink hears of the sample's error only";
    EXPECT_EQ(tap->failReadCode, tap->lastReturn.load()) << "the failed request replaces it";
    EXPECT_EQ(2, tap->readRequests.load());
    ExpectNoMoreResults(*activate.Get(), 1);
    EXPECT_EQ(1u, sink.GetErrors().size());
    device.Close();
    device.ClearSink();
}

TEST_F(MediaFoundationDeviceTest, OpenFailureLeavesTheDeviceClosedWithItsSourceShutDown)
{
    auto activate = OneTypeCamera(MFVideoFormat_RGB32, 4, 2, 16, 16);
    MediaFoundationDevice device(activate.Get(), false, tap->Factory());
    activate->FailActivation(E_ACCESSDENIED);
    ASSERT_TRUE(ThrowsError([&] { device.Open(); }, E_ACCESSDENIED, L"MediaFoundationDevice"));
    EXPECT_FALSE(device.IsOpened());
    EXPECT_EQ(2, activate->GetShutdownCount());

    // It opens once the source can be activated again.
    activate->FailActivation(S_OK);
    sink.Register(device);
    device.Open();
    ASSERT_TRUE(sink.WaitForFrames(1));
    device.Open(); // already open: nothing happens
    EXPECT_EQ(2, activate->GetActivationCount());
    device.Close();
    device.Close();
    EXPECT_EQ(3, activate->GetShutdownCount());
    device.ClearSink();
}

TEST_F(MediaFoundationDeviceTest, NoFrameArrivesAfterClose)
{
    auto activate = OneTypeCamera(MFVideoFormat_YUY2, 16, 8, 32, 17);
    MediaFoundationDevice device(activate.Get(), false, tap->Factory());
    sink.Register(device);
    device.Open();
    ASSERT_TRUE(sink.WaitForFrames(3));
    device.Close();
    const int frames = sink.GetFrameCount();
    Sleep(100);
    EXPECT_EQ(frames, sink.GetFrameCount());
    EXPECT_FALSE(activate->GetSource());
    device.ClearSink();
}

TEST_F(MediaFoundationDeviceTest, CloseFromInsideTheFrameCallbackEndsTheStreamAtThatFrame)
{
    auto activate = OneTypeCamera(MFVideoFormat_YUY2, 16, 8, 32, 19);
    {
        MediaFoundationDevice device(activate.Get(), false, tap->Factory());
        sink.afterFrame = [](Common::Device& delivering) { delivering.Close(); };
        sink.Register(device);
        for (int round = 1; round <= 3; ++round)
        {
            device.Open();
            ASSERT_TRUE(sink.WaitForFrames(round));
            EXPECT_FALSE(device.IsOpened());
            EXPECT_EQ(round + 1, activate->GetShutdownCount()) << "the source goes down at once";
        }
        EXPECT_EQ(3, tap->readRequests.load()) << "no read after a close in the callback";
        EXPECT_EQ(3, sink.GetFrameCount());
        EXPECT_TRUE(sink.GetErrors().empty());
        device.ClearSink();
    }
    EXPECT_EQ(4, activate->GetShutdownCount());
}

TEST_F(MediaFoundationDeviceTest, OpenHandsTheReaderItsCallbackWithConvertersDisabled)
{
    auto activate = OneTypeCamera(MFVideoFormat_RGB32, 4, 2, 16, 18);
    int readers = 0;
    UINT32 convertersDisabled = 0;
    Common::ComPointer<IMFSourceReaderCallback> callback;
    MediaFoundationDevice device(
        activate.Get(), false,
        [&](IMFMediaSource* source, IMFAttributes* attributes, IMFSourceReader** reader) -> HRESULT
        {
            if (++readers == 1)
            {
                return MFCreateSourceReaderFromMediaSource(source, attributes, reader);
            }
            // The reader of Open(): look at what it is given, then refuse.
            attributes->GetUINT32(MF_READWRITE_DISABLE_CONVERTERS, &convertersDisabled);
            attributes->GetUnknown(MF_SOURCE_READER_ASYNC_CALLBACK, IID_PPV_ARGS(callback.Put()));
            return E_OUTOFMEMORY;
        });
    ASSERT_TRUE(ThrowsError([&] { device.Open(); }, E_OUTOFMEMORY));
    EXPECT_FALSE(device.IsOpened());
    EXPECT_EQ(1u, convertersDisabled);
    ASSERT_TRUE(callback);

    EXPECT_EQ(E_POINTER, callback->QueryInterface(__uuidof(IUnknown), nullptr));
    Common::ComPointer<IUnknown> unknown;
    EXPECT_EQ(S_OK, callback->QueryInterface(__uuidof(IUnknown), unknown.PutVoid()));
    EXPECT_EQ(static_cast<void*>(callback.Get()), static_cast<void*>(unknown.Get()));
    Common::ComPointer<IMFSourceReaderCallback> same;
    EXPECT_EQ(S_OK, callback.QueryInterface(same));
    Common::ComPointer<IMFSourceReader> other;
    void* result = &other;
    EXPECT_EQ(E_NOINTERFACE, callback->QueryInterface(__uuidof(IMFSourceReader), &result));
    EXPECT_EQ(nullptr, result);
    EXPECT_EQ(S_OK, callback->OnFlush(0));
    EXPECT_EQ(S_OK, callback->OnEvent(0, nullptr));
    // A failed status comes back unchanged; the callback of a failed Open no
    // longer reaches the device, so a late sample does nothing.
    EXPECT_EQ(E_ACCESSDENIED, callback->OnReadSample(E_ACCESSDENIED, 0, 0, 0, nullptr));
    EXPECT_EQ(S_OK, callback->OnReadSample(S_OK, 0, 0, 0, nullptr));
}
