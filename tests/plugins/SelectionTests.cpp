// Selecting processors: the life cycle of each processor in order, the
// notifications, and what happens when a processor fails to start or stop,
// both at start-up and when the user picks one.
#include "PluginFixture.h"

namespace
{
// What a switch raises: the processor, then the frame to fetch from it.
const Ids Switched = {TavixCapture::PropertyId::Processor, TavixCapture::PropertyId::Frame};
// Entries of the life-cycle plug-in after "なし" (the discovery case checks the list).
enum : std::int32_t
{
    Recording = 1,
    CreateFails = 2,
    InitializeFails = 3,
    TerminateFails = 4,
};
} // namespace

TEST_F(SelectionTest, ASwitchStartsTheNewProcessorThenEndsTheOldOneAndRaisesProcessorThenFrame)
{
    model->SelectProcessor(Recording);
    EXPECT_EQ(TakeEvents(L"TavixLife.dll"), L"factory creates 0\n記録 created\n記録 Initialize\n");
    EXPECT_EQ(window.Drain(), Switched);

    model->SelectProcessor(5);
    EXPECT_EQ(TakeEvents(L"TavixLife.dll"), L"factory creates 4\n同名 0 created\n同名 0 Initialize\n"
                                            L"記録 Terminate\n記録 destroyed\n");
    EXPECT_EQ(window.Drain(), Switched);
    EXPECT_EQ(model->GetCurrentProcessorIndex(), 5);
    // (The current one again changes nothing: the selection dialog's case.)
}

TEST_F(SelectionTest, AProcessorThatCannotBeCreatedOrInitializedIsEndedAndNoneSelected)
{
    model->SelectProcessor(1);
    TakeEvents(L"TavixLife.dll");
    window.Drain();

    EXPECT_EQ(CodeOf([&] { model->SelectProcessor(CreateFails); }), CreateFailure);
    EXPECT_EQ(model->GetCurrentProcessorIndex(), 0);
    EXPECT_NE(model->GetCurrentProcessor(), nullptr);
    EXPECT_EQ(TakeEvents(L"TavixLife.dll"), L"factory creates 1\n記録 Terminate\n記録 destroyed\n");
    EXPECT_EQ(window.Drain(), Switched);

    // From "なし", nothing changes: nothing is raised.
    EXPECT_EQ(CodeOf([&] { model->SelectProcessor(InitializeFails); }), InitializeFailure);
    EXPECT_EQ(model->GetCurrentProcessorIndex(), 0);
    EXPECT_EQ(model->GetProcessorEntries()[3]->GetProcessor(), nullptr);
    EXPECT_EQ(TakeEvents(L"TavixLife.dll"), L"factory creates 2\n初期化失敗 created\n初期化失敗 Initialize\n"
                                            L"初期化失敗 Terminate\n初期化失敗 destroyed\n");
    EXPECT_EQ(window.Drain(), Ids{});

    // The program runs on: another processor can still be chosen.
    model->SelectProcessor(1);
    EXPECT_EQ(model->GetCurrentProcessorIndex(), 1);
}

TEST_F(SelectionTest, LeavingAProcessorWhoseTerminateFailsSucceedsAndTheFailureIsReported)
{
    model->SelectProcessor(TerminateFails);
    TakeEvents(L"TavixLife.dll");
    window.Drain();

    EXPECT_EQ(CodeOf([&] { model->SelectProcessor(0); }), TerminateFailure);
    EXPECT_EQ(model->GetCurrentProcessorIndex(), 0);
    EXPECT_EQ(model->GetProcessorEntries()[TerminateFails]->GetProcessor(), nullptr);
    EXPECT_EQ(TakeEvents(L"TavixLife.dll"), L"終了失敗 Terminate\n終了失敗 destroyed\n");
    EXPECT_EQ(window.Drain(), Switched);
}

TEST_F(PluginTest, ASavedProcessorIsRestoredByNameOrWhenItFailsToStartGivesNoneAndAnError)
{
    Install(L"lifecycle", L"TavixLife.dll");
    profile.WriteString(L"Settings", L"ProcessorName", L"初期化失敗");
    profile.WriteInt(L"Settings", L"ViewRatio", 250);
    {
        const auto model = MakeModel();
        EXPECT_EQ(model->GetCurrentProcessorIndex(), 0);
        EXPECT_EQ(model->GetViewRatio(), 250) << "the settings after it are still restored";
        const std::exception_ptr error = model->TakeProcessorError();
        EXPECT_EQ(CodeOf([&] { std::rethrow_exception(error); }), InitializeFailure);
        EXPECT_EQ(model->TakeProcessorError(), nullptr) << "reported once";
    }
    // The next start begins with "なし" instead of failing again.
    EXPECT_EQ(profile.ReadString(L"Settings", L"ProcessorName", L""), L"なし");

    // A saved name is restored by the one entry of that name.
    profile.WriteString(L"Settings", L"ProcessorName", L"同名");
    const auto model = MakeModel();
    EXPECT_EQ(model->GetCurrentProcessorIndex(), 5);
    EXPECT_EQ(TakeEvents(L"TavixLife.dll"), L"factory creates 4\n同名 0 created\n同名 0 Initialize\n");
}
