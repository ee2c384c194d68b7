#include "FakeCameras.h"

namespace TestSupport
{

FakeCameras::FakeCameras(std::initializer_list<FormatInfo> cam1Formats)
    : profile(folder.File(L"TavixCapture.ini")),
      cam0(std::make_shared<FakeDevice>(
          L"Camera 0", L"\\\\?\\cam0",
          std::initializer_list<FormatInfo>{{L"YUY2", 640, 480, 30.0}, {L"YUY2", 320, 240, 30.0}})),
      cam1(std::make_shared<FakeDevice>(L"Camera 1", L"\\\\?\\cam1", cam1Formats))
{
}

TavixCapture::CaptureBackendFactory FakeCameras::Factory()
{
    return [this](std::int32_t, bool, bool) { return MakeCapture({cam0, cam1}); };
}

std::unique_ptr<TavixCapture::MainModel> FakeCameras::MakeModel(const std::wstring& programFolder)
{
    return std::make_unique<TavixCapture::MainModel>(profile, Factory(), 0, true, false,
                                                     programFolder.empty() ? folder.Path() : programFolder);
}

FakeCameraTest::FakeCameraTest()
    : FakeCameras({{L"MJPG", 1920, 1080, 30.0}, {L"MJPG", 1280, 720, 60.0}, {L"NV12", 800, 600, 15.0}})
{
}

void FakeCameraTest::MakeModel(TavixCapture::CaptureBackendFactory factory, std::int32_t captureApiFamily)
{
    model = std::make_unique<TavixCapture::MainModel>(profile, factory ? factory : Factory(),
                                                      captureApiFamily, true, false, folder.Path());
}

} // namespace TestSupport
