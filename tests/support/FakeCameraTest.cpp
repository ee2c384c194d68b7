#include "FakeCameraTest.h"

#include <cstring>

namespace TestSupport
{

FakeCameraTest::FakeCameraTest() : profile(folder.File(L"TavixCapture.ini"))
{
    camera0 = std::make_shared<FakeDevice>(
        L"Camera 0", L"\\\\?\\cam0",
        std::initializer_list<FormatInfo>{{L"YUY2", 640, 480, 30.0}, {L"YUY2", 320, 240, 30.0}});
    camera1 = std::make_shared<FakeDevice>(L"Camera 1", L"\\\\?\\cam1",
                                           std::initializer_list<FormatInfo>{{L"MJPG", 1920, 1080, 30.0},
                                                                             {L"MJPG", 1280, 720, 60.0},
                                                                             {L"NV12", 800, 600, 15.0}});
}

void FakeCameraTest::MakeModel(TavixCapture::CaptureBackendFactory factory, std::int32_t captureApiFamily)
{
    if (!factory)
    {
        factory = [devices = std::make_pair(camera0, camera1)](std::int32_t, bool, bool) {
            return MakeCapture({devices.first, devices.second});
        };
    }
    model = std::make_unique<TavixCapture::MainModel>(profile, factory, captureApiFamily, true, false,
                                                      folder.Path());
}

void FakeCameraTest::ShowFrame(const std::function<std::uint32_t(int x, int y)>& paint)
{
    {
        Common::AutoLock lock(camera0->frameLock);
        Common::FrameBuffer& frame = camera0->frame;
        for (int y = 0; y < frame.height; ++y)
        {
            for (int x = 0; x < frame.width; ++x)
            {
                const std::uint32_t value = paint(x, y);
                std::memcpy(frame.pixels.data() + static_cast<std::size_t>(y) * frame.stride +
                                static_cast<std::size_t>(x) * 4,
                            &value, 4);
            }
        }
    }
    model->Raise(TavixCapture::PropertyId::Frame);
}

} // namespace TestSupport
