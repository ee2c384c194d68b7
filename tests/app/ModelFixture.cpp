#include "ModelFixture.h"

ListenerWindow::ListenerWindow()
{
    Attach(CreateWindowExW(0, L"STATIC", L"listener", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr));
    EXPECT_NE(GetSafeHwnd(), nullptr) << "no window: is there a display?";
}

ListenerWindow::~ListenerWindow()
{
    ::DestroyWindow(Detach());
}

Ids ListenerWindow::Drain(const void* model)
{
    Ids ids;
    MSG message;
    while (PeekMessageW(&message, GetSafeHwnd(), WM_APP, WM_APP, PM_REMOVE))
    {
        EXPECT_EQ(reinterpret_cast<const void*>(message.wParam), model);
        // Taken as the window layer takes it: acknowledged first.
        reinterpret_cast<Common::Mfc::BindableBase*>(message.wParam)
            ->AcknowledgeNotification(this, static_cast<std::int32_t>(message.lParam));
        ids.push_back(static_cast<PropertyId>(message.lParam));
    }
    return ids;
}

ModelTest::ModelTest() : profile(folder.File(L"TavixCapture.ini"))
{
    cam0 = std::make_shared<TestSupport::FakeDevice>(
        L"Camera 0", L"\\\\?\\cam0",
        std::initializer_list<TestSupport::FormatInfo>{{L"YUY2", 640, 480, 30.0}, {L"YUY2", 320, 240, 30.0}});
    cam1 = std::make_shared<TestSupport::FakeDevice>(
        L"Camera 1", L"\\\\?\\cam1",
        std::initializer_list<TestSupport::FormatInfo>{{L"NV12", 160, 120, 15.0}});
}

TavixCapture::CaptureBackendFactory ModelTest::Factory()
{
    return [this](std::int32_t, bool, bool) { return TestSupport::MakeCapture({cam0, cam1}); };
}

std::unique_ptr<TavixCapture::MainModel> ModelTest::MakeModel()
{
    return std::make_unique<TavixCapture::MainModel>(profile, Factory(), 0, true, false, folder.Path());
}

void ModelTest::Listen(TavixCapture::MainModel& model, ListenerWindow& window)
{
    model.AddListener(&window);
    window.Drain(&model);
}
