// Choosing devices and formats, starting and stopping, and what every frame
// and every delivery-thread error does to the model and its error box.
#include "ModelFixture.h"

#include "Common/capture/CaptureFailure.h"
#include "app/ErrorBox.h"
#include "support/FramePixels.h"

#include <mferror.h>

#include <stdexcept>
#include <thread>

using namespace TavixCapture;

// True when no sink is registered on the device (registering the empty sink
// then changes nothing).
bool HasNoSink(Common::Device& device)
{
    return !device.RegisterSink(nullptr, nullptr, nullptr);
}

TEST_F(ModelTest, AFailingOpenPropagatesAndLeavesTheSinkHarmless)
{
    auto model = MakeModel();
    NotifiedWindow window;
    Listen(*model, window);
    cam0->failOpen = true;
    EXPECT_THROW(model->StartCapture(), Common::Exception);
    EXPECT_FALSE(cam0->IsOpened());
    // A frame the device still hands over reaches a model that is whole.
    cam0->DeliverFrame(0xFF123456);
    EXPECT_EQ(window.Drain(), (Ids{PropertyId::Frame, PropertyId::CursorPixel}));
    model.reset();
    EXPECT_TRUE(HasNoSink(*cam0)) << "the destroyed model is still the device's sink";
    cam0->DeliverFrame(0xFF000000); // reaches nothing
}

TEST_F(ModelTest, SwitchingDeviceMovesCaptureAndAFailureLeavesTheNewDeviceSelectedAndStopped)
{
    auto model = MakeModel();
    model->SetMarkerPosition(1, 1);
    model->StartCapture();
    model->SelectDevice(1);
    EXPECT_FALSE(cam0->IsOpened());
    EXPECT_TRUE(cam1->IsOpened());
    EXPECT_EQ(model->GetMarkerPosition().x, 0) << "160 * 1 / 640 truncates to 0";
    cam0->DeliverFrame(0xFF0000FF);
    cam1->DeliverFrame(0xFF00FF00);
    std::vector<std::uint32_t> row, column;
    model->CopyProfiles(row, column);
    ASSERT_EQ(row.size(), 160u);
    EXPECT_EQ(row[0], 0xFF00FF00u) << "only the current device reaches the model";

    // Back to the first device, which fails to open.
    cam0->failOpen = true;
    EXPECT_THROW(model->SelectDevice(0), Common::Exception);
    EXPECT_EQ(model->GetCurrentDeviceIndex(), 0);
    EXPECT_FALSE(cam1->IsOpened());
    EXPECT_TRUE(HasNoSink(*cam1)) << "the old device was stopped before the switch";
    EXPECT_FALSE(cam0->IsOpened());
    model->CopyProfiles(row, column);
    EXPECT_EQ(row.size(), 640u) << "the profiles follow the new device";

    // Once the device works again, capture starts on it.
    cam0->failOpen = false;
    model->StartCapture();
    EXPECT_TRUE(cam0->IsOpened());
    cam0->DeliverFrame(0xFF00FF00);
    model->CopyProfiles(row, column);
    EXPECT_EQ(row[0], 0xFF00FF00u);
}

TEST_F(ModelTest, ACameraThatCannotBeUsedStaysListedAndSaysWhyWhenChosen)
{
    cam0->readFailure = E_ACCESSDENIED;
    auto model = MakeModel();
    EXPECT_EQ(model->GetCurrentDeviceIndex(), 1) << "the first camera that can be used";
    EXPECT_EQ(model->GetCapture().devices.size(), 2u);
    try
    {
        model->SelectDevice(0);
        ADD_FAILURE() << "no error";
    }
    catch (const Common::Exception& error)
    {
        EXPECT_EQ(error.ErrorCode, E_ACCESSDENIED);
        EXPECT_EQ(error.Message, Common::CaptureFailure::Describe(E_ACCESSDENIED));
    }
    EXPECT_EQ(model->GetCurrentDeviceIndex(), 1) << "nothing changed";
    cam0->readFailure = S_OK;
    model->SelectDevice(0);
    model.reset(); // saves camera 0 as the one to start with

    // When no camera can be used, the start says why, not that there is none.
    cam0->readFailure = MF_E_HW_MFT_FAILED_START_STREAMING;
    cam1->readFailure = E_ACCESSDENIED;
    try
    {
        MakeModel();
        ADD_FAILURE() << "no error";
    }
    catch (const Common::Exception& error)
    {
        EXPECT_EQ(error.ErrorCode, MF_E_HW_MFT_FAILED_START_STREAMING) << "the saved camera's reason";
    }
}

TEST_F(ModelTest, DeliveryErrorsBecomeTheLocatedErrorTextToldOncePerRunOfFailuresAndAStreamEndIsShownOnce)
{
    auto model = MakeModel();
    NotifiedWindow window;
    model->StartCapture();
    Listen(*model, window);
    std::thread delivery([this] { cam0->DeliverError(Common::Exception(L"M", L"F", 12)); });
    delivery.join();
    EXPECT_EQ(model->GetErrorText(), L"MF(12)");
    EXPECT_EQ(window.Drain(), Ids{PropertyId::ErrorMessage});
    EXPECT_TRUE(cam0->IsOpened()) << "an error does not stop capture";

    // The same error frame after frame (a full disk) is told once; a frame
    // that goes through ends the run, and another text is told at once.
    for (int i = 0; i < 50; ++i)
    {
        cam0->DeliverError(Common::Exception(L"M", L"F", 12));
    }
    EXPECT_EQ(window.Drain(), Ids{});
    cam0->DeliverError(Common::Exception(L"N", L"F", 13));
    cam0->DeliverError(Common::Exception(L"N", L"F", 13));
    EXPECT_EQ(model->GetErrorText(), L"NF(13)");
    EXPECT_EQ(window.Drain(), Ids{PropertyId::ErrorMessage});
    cam0->DeliverFrame(0xFF000000);
    cam0->DeliverError(Common::Exception(L"N", L"F", 13));
    EXPECT_EQ(window.Drain(), (Ids{PropertyId::Frame, PropertyId::CursorPixel, PropertyId::ErrorMessage}));
    // However fast errors of changing texts come, one notification waits at a time.
    for (int i = 0; i < 50; ++i)
    {
        cam0->DeliverError(Common::Exception(i % 2 == 0 ? L"A" : L"B"));
    }
    EXPECT_EQ(window.Drain(), Ids{PropertyId::ErrorMessage});

    // An error that ends the stream is told even when its text stands, and
    // the device has stopped: the capture state is raised after it, and the
    // error waits to be shown once.
    EXPECT_EQ(model->TakeCaptureFailure(), nullptr);
    std::thread ending([this] { cam0->EndStream(Common::Exception(L"B", L"F", 14)); });
    ending.join();
    EXPECT_EQ(window.Drain(), (Ids{PropertyId::ErrorMessage, PropertyId::IsCapturing}));
    EXPECT_FALSE(cam0->IsOpened());
    const std::exception_ptr failure = model->TakeCaptureFailure();
    ASSERT_NE(failure, nullptr);
    EXPECT_EQ(ErrorBox::ComposeText(failure, false), L"B");
    EXPECT_EQ(model->TakeCaptureFailure(), nullptr) << "shown once";
    model->StartCapture();
    EXPECT_TRUE(cam0->IsOpened()) << "the button starts it again";
}

// (The program and save-dialog suites read the box of the program's own errors.)
TEST(ErrorBoxText, AnythingButTheProgramsOwnExceptionIsAnUnknownError)
{
    using TavixCapture::ErrorBox;
    EXPECT_EQ(ErrorBox::ComposeText(std::make_exception_ptr(std::runtime_error("boom")), true),
              L"未知のエラーが発生しました。");
    EXPECT_EQ(ErrorBox::ComposeText(std::make_exception_ptr(42), false), L"未知のエラーが発生しました。");
}

TEST_F(ModelTest, SwitchingFormatWhileCapturingRestartsAndRescalesTheMarker)
{
    auto model = MakeModel();
    model->SetMarkerPosition(639, 479);
    model->SetCursorPosition(10, 10);
    NotifiedWindow window;
    Listen(*model, window);
    // The current device and format again, or ones that do not exist, change nothing.
    model->SelectDevice(0);
    model->SelectFrameFormat(0);
    EXPECT_THROW(model->SelectDevice(2), Common::Exception);
    EXPECT_THROW(model->SelectFrameFormat(-1), Common::Exception);
    EXPECT_EQ(window.Drain(), Ids{});
    model->StartCapture();
    window.Drain();

    model->SelectFrameFormat(1);
    EXPECT_EQ(window.Drain(),
              (Ids{PropertyId::IsCapturing, PropertyId::FrameFormat, PropertyId::CursorPosition,
                   PropertyId::CursorPixel, PropertyId::MarkerPosition, PropertyId::Profile,
                   PropertyId::IsCapturing}));
    EXPECT_TRUE(cam0->IsOpened());
    EXPECT_EQ(TestSupport::LatestFrame(*cam0).width, 320);
    EXPECT_EQ(model->GetMarkerPosition().x, 319);
    EXPECT_EQ(model->GetMarkerPosition().y, 239);
    std::vector<std::uint32_t> row, column;
    model->CopyProfiles(row, column);
    EXPECT_EQ(row.size(), 320u);
    EXPECT_EQ(column.size(), 240u);
}

TEST_F(ModelTest, TheMarkerIsRescaledWithoutOverflowOnWideFormats)
{
    cam0 = std::make_shared<TestSupport::FakeDevice>(
        L"Wide", L"wide",
        std::initializer_list<TestSupport::FormatInfo>{{L"YUY2", 65536, 2, 30.0}, {L"YUY2", 40000, 2, 30.0}});
    auto model = MakeModel();
    model->SetMarkerPosition(65535, 1);
    model->SelectFrameFormat(1);
    EXPECT_EQ(model->GetMarkerPosition().x, 39999) << "40000 * 65535 passes 2^31";
    EXPECT_EQ(model->GetMarkerPosition().y, 1);
}

TEST_F(ModelTest, FramesFromAnotherThreadWhileTheUiReadsDoNotTear)
{
    auto model = MakeModel();
    model->StartCapture();
    std::atomic<bool> stop = false;
    std::thread delivery(
        [&]
        {
            for (std::uint32_t i = 0; !stop; ++i)
            {
                cam0->DeliverFrame(i % 2 == 0 ? 0xFF000000u : 0xFFFFFFFFu);
            }
        });
    std::vector<std::uint32_t> row, column;
    for (int i = 0; i < 200; ++i)
    {
        model->CopyProfiles(row, column);
        ASSERT_TRUE(std::all_of(row.begin(), row.end(), [&](std::uint32_t v) { return v == row.front(); }))
            << "a profile mixed two frames";
        model->SetMarkerPosition(i % 640, i % 480);
    }
    stop = true;
    delivery.join();
}
