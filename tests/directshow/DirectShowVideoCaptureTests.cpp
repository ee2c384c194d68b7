// The DirectShow backend under real DirectShow with the virtual camera:
// listing, every format captured exactly as the camera painted it, short
// samples, a graph that fails to stop, devices that must be left out, and
// the cameras a real machine brings: formats described only with
// VIDEOINFOHEADER2, two cameras of one name, one without a device path, a
// system without the sample grabber. (The frame counter's pace is checked by
// the capture probe's stream test.)
#include "VirtualCameraRegistration.h"
#include "support/ComObject.h"
#include "support/TestSink.h"

#include "Common/capture/directshow/DirectShowDevice.h"
#include "Common/capture/directshow/DirectShowFrameFormat.h"
#include "Common/capture/directshow/DirectShowVideoCapture.h"
#include "tools/VirtualCamera/CameraFormat.h"
#include "tools/VirtualCamera/FramePainter.h"
#include "tools/VirtualCamera/TestPattern.h"
#include "tools/VirtualCamera/VirtualCameraIds.h"

#include <uuids.h>
#include <vfwmsgs.h>

#include "support/FramePixels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
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
using TestSupport::TestSink;
using VirtualCamera::CameraFormat;

namespace
{

// The camera's "ARGB32 320x240 (15fps)" (top-down), as the listing test finds it.
constexpr std::int32_t SmallFormat = 18;

// The camera's own description of a listed format.
std::optional<CameraFormat> FindPainted(const Common::FrameFormat& listed,
                                        const std::vector<CameraFormat>& catalogue)
{
    const auto& format = static_cast<const DirectShowVideoCapture::DirectShowFrameFormat&>(listed);
    for (const CameraFormat& painted : catalogue)
    {
        if (painted.Matches(*format.mediaType.Get()))
        {
            return painted;
        }
    }
    return std::nullopt;
}

// Waits for two more frames, then compares the last one byte for byte with
// what the camera painted for the counter it shows.
void ExpectExactFrames(TestSink& sink, const CameraFormat& painted)
{
    ASSERT_TRUE(sink.WaitForFrames(sink.GetFrameCount() + 2, 5000));
    const Common::FrameBuffer last = sink.GetLastFrame();
    const auto counter =
        VirtualCamera::TestPattern::Decode(last.pixels.data(), last.width, last.height, last.stride);
    ASSERT_TRUE(counter.has_value()) << "the last frame does not show the upright pattern";
    const std::vector<std::uint8_t> expected = VirtualCamera::FramePainter::Expected(painted, *counter);
    ASSERT_EQ(last.pixels.size(), expected.size());
    const auto difference = std::mismatch(last.pixels.begin(), last.pixels.end(), expected.begin());
    if (difference.first != last.pixels.end())
    {
        const auto byte = difference.first - last.pixels.begin();
        ADD_FAILURE() << "first difference at pixel (" << (byte / 4) % last.width << ", "
                      << byte / 4 / last.width << "), byte " << byte % 4 << ": "
                      << static_cast<int>(*difference.first) << " instead of "
                      << static_cast<int>(*difference.second);
    }
}

int CountFilters(IGraphBuilder& graph)
{
    Common::ComPointer<IEnumFilters> filters;
    Common::ThrowIfFailed(graph.EnumFilters(filters.Put()));
    int count = 0;
    for (Common::ComPointer<IBaseFilter> filter; filters->Next(1, filter.Put(), nullptr) == S_OK;
         filter.Reset())
    {
        ++count;
    }
    return count;
}

// The graph's own IMediaControl with a layer that can make Stop fail
// without stopping anything, as a driver that hangs would.
class StopTap final
    : public TestSupport::ComObject<TestSupport::Answers<IDispatch, IMediaControl>, IMediaControl>
{
public:
    explicit StopTap(IGraphBuilder* graph) : graph_(graph)
    {
        Common::ThrowIfFailed(graph->QueryInterface(IID_IMediaControl, inner_.PutVoid()));
    }
    // clang-format off
    TAVIX_FORWARD(GetTypeInfoCount, (UINT* c), (c))
    TAVIX_FORWARD(GetTypeInfo, (UINT i, LCID l, ITypeInfo** t), (i, l, t))
    TAVIX_FORWARD(GetIDsOfNames, (REFIID r, LPOLESTR* n, UINT c, LCID l, DISPID* d), (r, n, c, l, d))
    TAVIX_FORWARD(Invoke, (DISPID d, REFIID r, LCID l, WORD f, DISPPARAMS* p, VARIANT* v, EXCEPINFO* e, UINT* a),
                  (d, r, l, f, p, v, e, a))
    TAVIX_FORWARD(Run, (), ())
    TAVIX_FORWARD(Pause, (), ())
    TAVIX_FORWARD(GetState, (LONG t, OAFilterState* s), (t, s))
    TAVIX_FORWARD(RenderFile, (BSTR n), (n))
    TAVIX_FORWARD(AddSourceFilter, (BSTR n, IDispatch** u), (n, u))
    TAVIX_FORWARD(get_FilterCollection, (IDispatch** u), (u))
    TAVIX_FORWARD(get_RegFilterCollection, (IDispatch** u), (u))
    TAVIX_FORWARD(StopWhenReady, (), ())
    // clang-format on
    HRESULT STDMETHODCALLTYPE Stop() override { return failStops.exchange(0) > 0 ? E_FAIL : inner_->Stop(); }

    std::atomic<int> failStops{0};
    const Common::ComPointer<IGraphBuilder> graph_;

private:
    Common::ComPointer<IMediaControl> inner_;
};

} // namespace

// Without the virtual camera the list holds whatever else the machine has
// (under Wine nothing: the category is empty, which is no error).
TEST(DirectShowWithoutCamera, ConstructsWithoutTheCamera)
{
    VirtualCameraRegistration registration;
    ASSERT_HRESULT_SUCCEEDED(registration.Unregister());
    std::size_t others = 0;
    {
        std::unique_ptr<DirectShowVideoCapture> capture;
        ASSERT_NO_THROW(capture = std::make_unique<DirectShowVideoCapture>(true, false));
        others = capture->devices.size();
        EXPECT_EQ(FindVirtualCamera(*capture), others);
    }
    ASSERT_HRESULT_SUCCEEDED(registration.Register());
    const DirectShowVideoCapture capture(true, false);
    EXPECT_EQ(capture.devices.size(), others + 1);
    EXPECT_LT(FindVirtualCamera(capture), capture.devices.size());
}

class DirectShowVirtualCamera : public VirtualCameraSuite
{
protected:
    void SetUp() override
    {
        std::vector<Common::ComPointer<StopTap>> taps;
        capture_ =
            std::make_unique<DirectShowVideoCapture>(false, false,
                                                     [&](IGraphBuilder* graph, IMediaControl** control)
                                                     {
                                                         taps.emplace_back().Attach(new StopTap(graph));
                                                         *control = taps.back().Get();
                                                         (*control)->AddRef();
                                                         return S_OK;
                                                     });
        const std::size_t index = FindVirtualCamera(*capture_);
        ASSERT_LT(index, capture_->devices.size());
        camera_ = std::static_pointer_cast<DirectShowDevice>(capture_->devices[index]);
        // The camera's graph is the one holding a filter of its name.
        for (const auto& tap : taps)
        {
            Common::ComPointer<IBaseFilter> filter;
            if (SUCCEEDED(tap->graph_->FindFilterByName(VirtualCamera::FriendlyName, filter.Put())))
            {
                control_ = tap;
            }
        }
        ASSERT_TRUE(control_);
        sink.Register(*camera_);
    }

    int CountCameraFilters() { return CountFilters(*control_->graph_.Get()); }

    TestSink sink;                        // registered on the camera, outlives it
    Common::ComPointer<StopTap> control_; // the camera's graph control, outlives the camera
    std::unique_ptr<DirectShowVideoCapture> capture_;
    std::shared_ptr<DirectShowDevice> camera_;
};

TEST_F(DirectShowVirtualCamera, ListsTheCameraWithNameAndPathAndFormats)
{
    EXPECT_EQ(camera_->name, VirtualCamera::FriendlyName);

    // 23 capabilities: one RGB32 duplicate and the H264 format (nothing
    // converts it) left out; IYUV (Windows converts it) listed last.
    ASSERT_EQ(camera_->GetFormats().size(), 21u);
    EXPECT_EQ(camera_->GetFormats()[20]->GetName(), L"IYUV 640x480 (30fps)");
    EXPECT_EQ(camera_->GetFormats()[0]->GetName(), L"ARGB32 640x480 (30fps)");
    EXPECT_EQ(camera_->GetFormats()[0]->stride, -2560);
    // The rows as the camera sends them: YUY2 top-down whatever the height
    // says, RGB24 padded to 4 bytes and bottom-up.
    EXPECT_EQ(camera_->GetFormats()[6]->GetName(), L"YUY2 640x480 (30fps)");
    EXPECT_EQ(camera_->GetFormats()[6]->stride, 1280);
    EXPECT_EQ(camera_->GetFormats()[17]->GetName(), L"RGB24 1920x1080 (60.0002fps)");
    EXPECT_EQ(camera_->GetFormats()[17]->stride, -5760);
    EXPECT_EQ(camera_->GetFormats()[SmallFormat]->GetName(), L"ARGB32 320x240 (15fps)");
    EXPECT_EQ(camera_->GetFormats()[SmallFormat]->stride, 1280);
    // Of the two RGB32 640x480 (30fps) the first (bottom-up) stays.
    EXPECT_EQ(camera_->GetFormats()[19]->GetName(), L"RGB32 640x480 (30fps)");
    EXPECT_EQ(camera_->GetFormats()[19]->stride, -2560);

    // Constructed with format 0 applied: opaque black 640x480.
    const Common::FrameBuffer frame = TestSupport::LatestFrame(*camera_);
    EXPECT_EQ(frame.width, 640);
    EXPECT_EQ(frame.stride, 2560);
    EXPECT_EQ(PixelAt(frame, 639, 479), 0xFF000000u);
}

// Every format the camera streams (ARGB32, RGB32, RGB24 and YUY2, both row
// orders) reaches the grabber in its own subtype and comes out exactly as the
// camera painted it; the device closes with nothing left in its graph and
// opens again. (Under Wine this is the only way: it has no converters.) The
// IYUV format the camera only describes fails to open and leaves the graph
// as it was.
TEST_F(DirectShowVirtualCamera, EveryFormatCapturesExactlyWhatTheCameraPainted)
{
    camera_->Close(); // closed: nothing happens
    const std::vector<CameraFormat> catalogue = CameraFormat::StandardCatalogue();
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(camera_->GetFormats().size()); ++i)
    {
        SCOPED_TRACE(testing::Message()
                     << "format " << i << " "
                     << testing::PrintToString(
                            camera_->GetFormats()[static_cast<std::size_t>(i)]->GetName()));
        const std::optional<CameraFormat> painted =
            FindPainted(*camera_->GetFormats()[static_cast<std::size_t>(i)], catalogue);
        camera_->SelectFrameFormat(i);
        if (!painted)
        {
            EXPECT_EQ(camera_->GetFormats()[static_cast<std::size_t>(i)]->GetName(), L"IYUV 640x480 (30fps)");
            EXPECT_THROW(camera_->Open(), Common::Exception);
            EXPECT_FALSE(camera_->IsOpened());
            EXPECT_EQ(CountCameraFilters(), 2);
            continue;
        }
        camera_->Open();
        ExpectExactFrames(sink, *painted);
        camera_->Close();
        EXPECT_FALSE(camera_->IsOpened());
        // Only the camera and the grabber stay; nothing piles up.
        EXPECT_EQ(CountCameraFilters(), 2);
        if (i == 0)
        {
            camera_->Open();
            camera_->Open(); // open: nothing happens
            ExpectExactFrames(sink, *painted);
            camera_->Close();
        }
    }
    EXPECT_TRUE(sink.GetErrors().empty());
}

TEST_F(DirectShowVirtualCamera, ShortSamplesAreSkippedAndReported)
{
    camera_->SelectFrameFormat(SmallFormat);
    camera_->Open();
    // Paused, the live camera delivers nothing: the samples below are the only ones.
    ASSERT_HRESULT_SUCCEEDED(control_->Pause());
    const int before = sink.GetFrameCount();

    // A full top-down sample: rows in order, the bytes unchanged.
    std::vector<BYTE> sample(320 * 4 * 240);
    for (std::size_t i = 0; i < sample.size(); ++i)
    {
        sample[i] = static_cast<BYTE>(i / 1280); // row number
    }
    camera_->OnBuffer(sample.data(), static_cast<long>(sample.size()));
    EXPECT_EQ(PixelAt(sink.GetLastFrame(), 0, 0), 0x00000000u);
    EXPECT_EQ(PixelAt(sink.GetLastFrame(), 5, 239), 0xEFEFEFEFu);

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
    EXPECT_THROW(camera_->OnBuffer(shortSample, static_cast<long>(length)), Common::Exception);
    EXPECT_THROW(camera_->OnBuffer(nullptr, 0), Common::Exception);
    VirtualFree(region, 0, MEM_RELEASE);

    const auto errors = sink.GetErrors();
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].Message, L"フレームのデータが不足しています。");
    EXPECT_EQ(errors[1].ErrorCode, HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(sink.GetFrameCount(), before + 1); // only the full sample was delivered
    EXPECT_EQ(PixelAt(TestSupport::LatestFrame(*camera_), 5, 239), 0xEFEFEFEFu); // untouched by the short one

    // The device goes on: running again delivers camera frames.
    ASSERT_HRESULT_SUCCEEDED(control_->Run());
    EXPECT_TRUE(sink.WaitForFrames(before + 3, 3000));
    camera_->Close();
}

// A Stop that fails leaves the graph running: no sample reaches the sink
// after that Close, the next Open stops the graph and streams again, and a
// device destroyed over a graph that goes on running is never called again.
TEST_F(DirectShowVirtualCamera, AFailedStopEndsDeliveryAndTheNextOpenWorks)
{
    camera_->SelectFrameFormat(SmallFormat);
    camera_->Open();
    ASSERT_TRUE(sink.WaitForFrames(2, 3000));
    control_->failStops = 1;
    EXPECT_THROW(camera_->Close(), Common::Exception);
    EXPECT_FALSE(camera_->IsOpened());
    OAFilterState state = State_Stopped;
    ASSERT_HRESULT_SUCCEEDED(control_->GetState(1000, &state));
    EXPECT_EQ(state, State_Running) << "the injected failure stops nothing";
    const int frames = sink.GetFrameCount();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(sink.GetFrameCount(), frames);

    camera_->Open();
    ASSERT_TRUE(sink.WaitForFrames(frames + 2, 3000));
    EXPECT_TRUE(sink.GetErrors().empty());

    control_->failStops = 1;
    camera_.reset();
    capture_.reset();
    ASSERT_HRESULT_SUCCEEDED(control_->GetState(1000, &state));
    EXPECT_EQ(state, State_Running) << "the graph outlives the device and still streams";
    const int delivered = sink.GetFrameCount();
    std::this_thread::sleep_for(300ms); // samples go on arriving at the grabber
    EXPECT_EQ(sink.GetFrameCount(), delivered);
    ASSERT_HRESULT_SUCCEEDED(control_->Stop());
}

// A device whose capabilities give no usable format (a 48-byte block, a
// zero width, H264) is a failing device: left out under skipErrorDevice,
// fatal without it; never listed with an empty format list.
TEST_F(DirectShowVirtualCamera, DeviceWithoutUsableFormatFollowsSkipErrorDevice)
{
    constexpr wchar_t brokenName[] = L"Tavix Broken Camera";
    const ExtraCamera broken(*registration, brokenName, brokenName, L"\\\\?\\root#tavix_broken_camera#0000",
                             VirtualCamera::BrokenCatalogue);
    ASSERT_HRESULT_SUCCEEDED(broken.registered);

    const DirectShowVideoCapture skipping(true, false);
    EXPECT_LT(FindVirtualCamera(skipping), skipping.devices.size());
    for (const auto& device : skipping.devices)
    {
        EXPECT_NE(device->name, brokenName);
    }

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

// Formats described only with VIDEOINFOHEADER2 are listed and stream
// exactly; those that state their YUV colour (BT.709 studio range, BT.601
// full range) convert by its formula, the others as BT.601 studio range.
TEST_F(DirectShowVirtualCamera, VideoInfoHeader2FormatsAreListedAndCaptureInTheirColour)
{
    constexpr wchar_t name[] = L"Tavix VIH2 Camera";
    constexpr wchar_t path[] = L"\\\\?\\root#tavix_vih2_camera#0000";
    const ExtraCamera extra(*registration, name, name, path, VirtualCamera::VideoInfo2Catalogue);
    ASSERT_HRESULT_SUCCEEDED(extra.registered);
    const DirectShowVideoCapture capture(false, false);
    const auto found = std::find_if(capture.devices.begin(), capture.devices.end(),
                                    [&](const auto& device) { return device->path == path; });
    ASSERT_NE(found, capture.devices.end());
    Common::Device& device = **found;
    ASSERT_EQ(device.GetFormats().size(), 4u);
    EXPECT_EQ(device.GetFormats()[0]->GetName(), L"YUY2 640x480 (30fps)");
    EXPECT_EQ(device.GetFormats()[1]->GetName(), L"RGB24 320x240 (15fps)");
    EXPECT_EQ(device.GetFormats()[1]->stride, -960);
    EXPECT_EQ(device.GetFormats()[2]->GetName(), L"YUY2 640x480 (15fps)");
    EXPECT_EQ(device.GetFormats()[3]->GetName(), L"YUY2 320x240 (30fps)");

    TestSink vih2Sink;
    vih2Sink.Register(device);
    const std::vector<CameraFormat> catalogue = CameraFormat::VideoInfo2Catalogue();
    for (std::int32_t i = 0; i < 4; ++i)
    {
        SCOPED_TRACE(testing::Message() << "format " << i);
        device.SelectFrameFormat(i);
        device.Open();
        ExpectExactFrames(vih2Sink, catalogue[static_cast<std::size_t>(i)]);
        device.Close();
    }
    device.ClearSink();
    EXPECT_TRUE(vih2Sink.GetErrors().empty());
}

// Two cameras of one name are told apart by a number; a camera without a
// device path is listed under its class id.
TEST_F(DirectShowVirtualCamera, IdenticalNamesAreNumberedAndPathlessCamerasKept)
{
    const ExtraCamera twin(*registration, L"Tavix Twin", VirtualCamera::FriendlyName,
                           L"\\\\?\\root#tavix_virtual_camera#0001", L"standard");
    ASSERT_HRESULT_SUCCEEDED(twin.registered);
    const ExtraCamera pathless(*registration, L"Tavix Pathless", L"Tavix Pathless Camera", L"", L"standard");
    ASSERT_HRESULT_SUCCEEDED(pathless.registered);

    const DirectShowVideoCapture capture(false, false);
    std::vector<std::wstring> names;
    std::wstring pathlessPath;
    for (const auto& device : capture.devices)
    {
        if (device->name.rfind(VirtualCamera::FriendlyName, 0) == 0)
        {
            names.push_back(device->name);
        }
        if (device->name == L"Tavix Pathless Camera")
        {
            pathlessPath = device->path;
        }
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{VirtualCamera::FriendlyName,
                                                std::wstring(VirtualCamera::FriendlyName) + L" #2"}));
    wchar_t classId[64] = {};
    ASSERT_GT(StringFromGUID2(VirtualCamera::ClassId, classId, 64), 0);
    EXPECT_EQ(pathlessPath, classId);
}

// Without the sample grabber no device could stream: the backend says so
// instead of leaving every camera out.
TEST_F(DirectShowVirtualCamera, AMissingSampleGrabberIsSaidOnce)
{
    int asked = 0;
    try
    {
        DirectShowVideoCapture capture(true, false, DirectShowVideoCapture::GetGraphMediaControl,
                                       [&](IBaseFilter**)
                                       {
                                           ++asked;
                                           return REGDB_E_CLASSNOTREG;
                                       });
        ADD_FAILURE() << "constructed without a grabber";
    }
    catch (const Common::Exception& error)
    {
        EXPECT_EQ(error.ErrorCode, REGDB_E_CLASSNOTREG);
        EXPECT_NE(error.Message.find(L"サンプルグラバー"), std::wstring::npos);
    }
    EXPECT_EQ(asked, 1);
}

// A camera with a preview pin of its own, streaming another format there: the
// capture pin, whose format the device set, is the one connected, and the
// frames are exactly the selected format's.
TEST_F(DirectShowVirtualCamera, ACameraWithAPreviewPinStreamsItsCapturePin)
{
    constexpr wchar_t name[] = L"Tavix Preview Camera";
    constexpr wchar_t path[] = L"\\\\?\\root#tavix_preview_camera#0000";
    const ExtraCamera extra(*registration, name, name, path, VirtualCamera::PreviewPinCatalogue);
    ASSERT_HRESULT_SUCCEEDED(extra.registered);
    const DirectShowVideoCapture capture(false, false);
    const auto found = std::find_if(capture.devices.begin(), capture.devices.end(),
                                    [&](const auto& device) { return device->path == path; });
    ASSERT_NE(found, capture.devices.end());
    Common::Device& device = **found;
    const auto yuy2 =
        std::find_if(device.GetFormats().begin(), device.GetFormats().end(),
                     [](const auto& format) { return format->GetName() == L"YUY2 640x480 (30fps)"; });
    ASSERT_NE(yuy2, device.GetFormats().end());
    const std::optional<CameraFormat> painted = FindPainted(**yuy2, CameraFormat::StandardCatalogue());
    ASSERT_TRUE(painted.has_value());

    TestSink previewSink;
    previewSink.Register(device);
    device.SelectFrameFormat(static_cast<std::int32_t>(yuy2 - device.GetFormats().begin()));
    device.Open();
    ExpectExactFrames(previewSink, *painted);
    device.Close();
    device.ClearSink();
    EXPECT_TRUE(previewSink.GetErrors().empty());
}
