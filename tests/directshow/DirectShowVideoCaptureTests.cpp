// The DirectShow backend under real DirectShow with the virtual camera:
// listing, formats, opening every format, the frame counter, short samples,
// and devices that must be left out.
#include "RecordingSink.h"
#include "VirtualCameraRegistration.h"

#include "Common/capture/directshow/DirectShowDevice.h"
#include "Common/capture/directshow/DirectShowDeviceCallback.h"
#include "Common/capture/directshow/DirectShowFrameFormat.h"
#include "Common/capture/directshow/DirectShowVideoCapture.h"
#include "tools/VirtualCamera/TestPattern.h"
#include "tools/VirtualCamera/VirtualCameraIds.h"

#include <uuids.h>
#include <vfwmsgs.h>

#include "support/FramePixels.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using Common::DirectShowVideoCapture;
using DirectShowDevice = DirectShowVideoCapture::DirectShowDevice;
using TestSupport::PixelAt;

namespace
{

std::shared_ptr<DirectShowDevice> FindVirtualCamera(const DirectShowVideoCapture& capture)
{
    for (const auto& device : capture.devices)
    {
        if (device->path == VirtualCamera::DevicePath)
        {
            return std::static_pointer_cast<DirectShowDevice>(device);
        }
    }
    return nullptr;
}

std::optional<std::int32_t> FindFormat(const Common::Device& device, const std::wstring& name)
{
    for (std::size_t i = 0; i < device.formats.size(); ++i)
    {
        if (device.formats[i]->GetName() == name)
        {
            return static_cast<std::int32_t>(i);
        }
    }
    return std::nullopt;
}

int CountFilters(IGraphBuilder& graph)
{
    Common::ComPointer<IEnumFilters> filters;
    Common::ThrowIfFailed(graph.EnumFilters(filters.Put()));
    int count = 0;
    for (;;)
    {
        Common::ComPointer<IBaseFilter> filter;
        if (filters->Next(1, filter.Put(), nullptr) != S_OK)
        {
            return count;
        }
        ++count;
    }
}

} // namespace

// Without the camera the category is empty: an empty list, no error.
TEST(DirectShowWithoutCamera, ConstructsWithAnEmptyList)
{
    VirtualCameraRegistration registration;
    ASSERT_HRESULT_SUCCEEDED(registration.Unregister());
    {
        std::unique_ptr<DirectShowVideoCapture> capture;
        ASSERT_NO_THROW(capture = std::make_unique<DirectShowVideoCapture>(false, false));
        EXPECT_TRUE(capture->devices.empty());
    }
    ASSERT_HRESULT_SUCCEEDED(registration.Register());
    EXPECT_EQ(DirectShowVideoCapture(false, false).devices.size(), 1u);
}

class DirectShowVirtualCamera : public testing::Test
{
protected:
    static void SetUpTestSuite() { registration_ = new VirtualCameraRegistration(); }
    static void TearDownTestSuite()
    {
        delete registration_;
        registration_ = nullptr;
    }

    void SetUp() override
    {
        capture_ = std::make_unique<DirectShowVideoCapture>(false, false);
        camera_ = FindVirtualCamera(*capture_);
        ASSERT_NE(camera_, nullptr);
    }

    static VirtualCameraRegistration* registration_;
    std::unique_ptr<DirectShowVideoCapture> capture_;
    std::shared_ptr<DirectShowDevice> camera_;
};

VirtualCameraRegistration* DirectShowVirtualCamera::registration_ = nullptr;

TEST_F(DirectShowVirtualCamera, ListsTheCameraWithNameAndPathAndFormats)
{
    EXPECT_EQ(camera_->name, VirtualCamera::FriendlyName);
    EXPECT_FALSE(camera_->IsOpened());

    // 21 capabilities: one RGB32 duplicate left out.
    ASSERT_EQ(camera_->formats.size(), 20u);
    EXPECT_EQ(camera_->formats[0]->GetName(), L"ARGB32 640x480 (30fps)");
    EXPECT_EQ(camera_->formats[0]->stride, -2560);
    EXPECT_EQ(camera_->formats[6]->GetName(), L"YUY2 640x480 (30fps)");
    EXPECT_EQ(camera_->formats[6]->stride, -2560); // ARGB32 from the grabber, whatever the source
    EXPECT_EQ(camera_->formats[17]->GetName(), L"RGB24 1920x1080 (60.0002fps)");
    EXPECT_EQ(camera_->formats[17]->stride, -7680);
    EXPECT_EQ(camera_->formats[18]->GetName(), L"ARGB32 320x240 (15fps)");
    EXPECT_EQ(camera_->formats[18]->stride, 1280);
    // Of the two RGB32 640x480 (30fps) the first (bottom-up) stays.
    EXPECT_EQ(camera_->formats[19]->GetName(), L"RGB32 640x480 (30fps)");
    EXPECT_EQ(camera_->formats[19]->stride, -2560);

    // Constructed with format 0 applied: opaque black 640x480.
    {
        Common::AutoLock lock(camera_->frameLock);
        EXPECT_EQ(camera_->frame.width, 640);
        EXPECT_EQ(camera_->frame.stride, 2560);
        EXPECT_EQ(camera_->frame.pixels.size(), 1228800u);
        EXPECT_EQ(PixelAt(camera_->frame, 639, 479), 0xFF000000u);
    }
}

TEST_F(DirectShowVirtualCamera, DuplicatesAllowedKeepsEveryCapabilityInOrder)
{
    DirectShowVideoCapture all(false, true);
    const auto camera = FindVirtualCamera(all);
    ASSERT_NE(camera, nullptr);
    ASSERT_EQ(camera->formats.size(), 21u);
    EXPECT_EQ(camera->formats[19]->GetName(), L"RGB32 640x480 (30fps)");
    EXPECT_EQ(camera->formats[20]->GetName(), L"RGB32 640x480 (30fps)");
    EXPECT_EQ(camera->formats[19]->stride, -2560);
    EXPECT_EQ(camera->formats[20]->stride, 2560);
}

// Wine has no converter to ARGB32, so only the ARGB32 formats connect here;
// on Windows the platform's converters should connect the others. Either way
// a format opens, streams the upright pattern, closes and opens again, and a
// failed Open leaves the device able to open.
TEST_F(DirectShowVirtualCamera, OpensStreamsClosesAndReopensEveryConnectableFormat)
{
    RecordingSink sink(*camera_);
    std::size_t expected = 0;
    int connectable = 0;
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(camera_->formats.size()); ++i)
    {
        const Common::FrameFormat& format = *camera_->formats[static_cast<std::size_t>(i)];
        SCOPED_TRACE(testing::Message() << "format " << i);
        camera_->SelectFrameFormat(i);
        try
        {
            camera_->Open();
        }
        catch (const Common::Exception& error)
        {
            EXPECT_NE(std::memcmp(&format.subtype, &MEDIASUBTYPE_ARGB32, sizeof(GUID)), 0);
            EXPECT_EQ(error.ErrorCode, VFW_E_CANNOT_CONNECT);
            EXPECT_FALSE(camera_->IsOpened());
            EXPECT_EQ(CountFilters(*camera_->graph.Get()), 2);
            continue;
        }
        ++connectable;
        for (int round = 0; round < 2; ++round)
        {
            EXPECT_TRUE(camera_->IsOpened());
            expected += 3;
            ASSERT_TRUE(sink.WaitForFrames(expected, 3s));
            camera_->Close();
            EXPECT_FALSE(camera_->IsOpened());
            // Only the camera and the grabber stay; nothing piles up.
            EXPECT_EQ(CountFilters(*camera_->graph.Get()), 2);
            const auto counters = sink.GetCounters();
            expected = counters.size();
            EXPECT_GE(counters.back(), 0) << "the last frame does not show the upright pattern";
            EXPECT_EQ(sink.GetLastAlpha(), 0xFF);
            if (round == 0)
            {
                camera_->Open();
            }
        }
    }
    EXPECT_GE(connectable, 7); // every ARGB32 format
    EXPECT_TRUE(sink.GetErrors().empty());
}

TEST_F(DirectShowVirtualCamera, BottomUpRowsArriveUpright)
{
    RecordingSink sink(*camera_);
    camera_->SelectFrameFormat(*FindFormat(*camera_, L"ARGB32 640x480 (30fps)"));
    camera_->Open();
    ASSERT_TRUE(sink.WaitForFrames(2, 3s));
    camera_->Close();
    Common::AutoLock lock(camera_->frameLock);
    const int band = VirtualCamera::TestPattern::BandHeight(480);
    EXPECT_EQ(PixelAt(camera_->frame, 2, 0), VirtualCamera::TestPattern::White); // marker block, top row
    EXPECT_EQ(PixelAt(camera_->frame, 30, band - 1), VirtualCamera::TestPattern::Black); // marker block 1
    EXPECT_EQ(PixelAt(camera_->frame, 10, 479), VirtualCamera::TestPattern::Black);      // footer, bottom row
    EXPECT_EQ(PixelAt(camera_->frame, 630, 479), VirtualCamera::TestPattern::White);
}

TEST_F(DirectShowVirtualCamera, FrameCounterShowsNoGapsAt30Fps)
{
    RecordingSink sink(*camera_);
    camera_->SelectFrameFormat(*FindFormat(*camera_, L"ARGB32 640x480 (30fps)"));
    const auto start = std::chrono::steady_clock::now();
    camera_->Open();
    std::this_thread::sleep_for(3s);
    camera_->Close();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    const auto counters = sink.GetCounters();
    ASSERT_GE(counters.size(), 75u);
    int gaps = 0;
    int repeats = 0;
    for (std::size_t i = 1; i < counters.size(); ++i)
    {
        ASSERT_GE(counters[i], 0);
        gaps += counters[i] > counters[i - 1] + 1 ? 1 : 0;
        repeats += counters[i] <= counters[i - 1] ? 1 : 0;
    }
    EXPECT_EQ(gaps, 0);
    EXPECT_EQ(repeats, 0);
    const double rate = static_cast<double>(counters.size()) / seconds;
    EXPECT_GT(rate, 25.0);
    EXPECT_LT(rate, 31.0);
}

TEST_F(DirectShowVirtualCamera, ShortSamplesAreSkippedAndReported)
{
    RecordingSink sink(*camera_);
    camera_->SelectFrameFormat(*FindFormat(*camera_, L"ARGB32 320x240 (15fps)"));
    camera_->Open();
    // Paused, the live camera delivers nothing: the samples below are the only ones.
    ASSERT_HRESULT_SUCCEEDED(camera_->mediaControl->Pause());
    const std::size_t before = sink.GetCounters().size();

    // A full top-down sample: rows in order, the bytes unchanged.
    std::vector<BYTE> sample(320 * 4 * 240);
    for (std::size_t i = 0; i < sample.size(); ++i)
    {
        sample[i] = static_cast<BYTE>(i / 1280); // row number
    }
    EXPECT_EQ(camera_->callback->BufferCB(0.0, sample.data(), static_cast<long>(sample.size())), S_OK);
    {
        Common::AutoLock lock(camera_->frameLock);
        EXPECT_EQ(PixelAt(camera_->frame, 0, 0), 0x00000000u);
        EXPECT_EQ(PixelAt(camera_->frame, 5, 239), 0xEFEFEFEFu);
    }

    // One byte short, at the end of a page followed by an inaccessible one:
    // reading past the end would crash.
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const std::size_t page = system.dwPageSize;
    const std::size_t length = sample.size() - 1;
    const std::size_t span = (length + page - 1) / page * page;
    BYTE* region =
        static_cast<BYTE*>(VirtualAlloc(nullptr, span + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(region, nullptr);
    DWORD old = 0;
    ASSERT_TRUE(VirtualProtect(region + span, page, PAGE_NOACCESS, &old));
    BYTE* shortSample = region + span - length;
    std::memset(shortSample, 0x55, length);
    EXPECT_TRUE(FAILED(camera_->callback->BufferCB(0.0, shortSample, static_cast<long>(length))));
    EXPECT_TRUE(FAILED(camera_->callback->BufferCB(0.0, nullptr, 0)));
    VirtualFree(region, 0, MEM_RELEASE);

    const auto errors = sink.GetErrors();
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0], L"取り込んだフレームのデータが画像の大きさに足りません。");
    EXPECT_EQ(sink.GetCounters().size(), before + 1); // only the full sample was delivered
    {
        Common::AutoLock lock(camera_->frameLock);
        EXPECT_EQ(PixelAt(camera_->frame, 5, 239), 0xEFEFEFEFu); // untouched by the short one
    }

    // The device goes on: running again delivers camera frames.
    ASSERT_HRESULT_SUCCEEDED(camera_->mediaControl->Run());
    EXPECT_TRUE(sink.WaitForFrames(before + 3, 3s));
    camera_->Close();
}

TEST_F(DirectShowVirtualCamera, OpenAndCloseAreIdempotentAndDestructionCloses)
{
    camera_->Close(); // closed: nothing happens
    EXPECT_FALSE(camera_->IsOpened());
    camera_->Open();
    camera_->Open(); // open: nothing happens
    EXPECT_TRUE(camera_->IsOpened());
    camera_.reset();
    capture_.reset(); // destroys the streaming device
}

// A device whose capabilities give no usable format (a VIDEOINFOHEADER2, a
// 48-byte block, a zero width) is a failing device: left out under
// skipErrorDevice, fatal without it; never listed with an empty format list.
TEST_F(DirectShowVirtualCamera, DeviceWithoutUsableFormatFollowsSkipErrorDevice)
{
    constexpr wchar_t brokenName[] = L"Tavix Broken Camera";
    ASSERT_HRESULT_SUCCEEDED(registration_->RegisterInstance(
        brokenName, L"\\\\?\\root#tavix_broken_camera#0000", VirtualCamera::BrokenCatalogue));
    struct Cleanup
    {
        ~Cleanup() { registration->UnregisterInstance(name); }
        VirtualCameraRegistration* registration;
        const wchar_t* name;
    } cleanup{registration_, brokenName};

    const DirectShowVideoCapture skipping(true, false);
    ASSERT_EQ(skipping.devices.size(), 1u);
    EXPECT_EQ(skipping.devices[0]->path, VirtualCamera::DevicePath);

    try
    {
        DirectShowVideoCapture strict(false, false);
        ADD_FAILURE() << "a device without a usable format was accepted";
    }
    catch (const Common::Exception& error)
    {
        EXPECT_EQ(error.Message, L"使用できるフレームフォーマットがありません。")
            << error.File << L" " << error.Line;
    }
}
