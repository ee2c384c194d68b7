#include "FakeModel.h"

FakeModel::FakeModel() : profile(folder.File(L"TavixCapture.ini"))
{
    cam0 = std::make_shared<TestSupport::FakeDevice>(
        L"Camera 0", L"\\\\?\\cam0",
        std::initializer_list<TestSupport::FormatInfo>{{L"YUY2", 640, 480, 30.0}, {L"YUY2", 320, 240, 30.0}});
    cam1 = std::make_shared<TestSupport::FakeDevice>(
        L"Camera 1", L"\\\\?\\cam1",
        std::initializer_list<TestSupport::FormatInfo>{{L"NV12", 160, 120, 15.0}});
    model = std::make_unique<TavixCapture::MainModel>(
        profile,
        [this](std::int32_t, bool, bool) {
            return TestSupport::MakeCapture({cam0, cam1});
        },
        0, true, false, folder.Path());
}

FakeModel::~FakeModel()
{
    // As the main window does before the model goes.
    cam0->ClearSink();
    cam1->ClearSink();
}
