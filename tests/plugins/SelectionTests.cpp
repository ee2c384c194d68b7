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

TEST_F(SelectionTest, ASwitchEndsTheOldProcessorBeforeTheNewOneStartsAndRaisesProcessorThenFrame)
{
    model->SelectProcessor(Recording);
    EXPECT_EQ(TakeEvents(L"TavixLife.dll"), L"factory creates 0\n記録 created\n記録 Initialize\n");
    EXPECT_EQ(window.Drain(), Switched);

    model->SelectProcessor(6);
    EXPECT_EQ(TakeEvents(L"TavixLife.dll"), L"記録 Terminate\n記録 destroyed\n"
                                            L"factory creates 5\n同名 1 created\n同名 1 Initialize\n");
    EXPECT_EQ(window.Drain(), Switched);
    EXPECT_EQ(model->GetCurrentProcessorIndex(), 6);
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
    EXPECT_EQ(TakeEvents(L"TavixLife.dll"), L"記録 Terminate\n記録 destroyed\nfactory creates 1\n");
    EXPECT_EQ(window.Drain(), Switched);

    EXPECT_EQ(CodeOf([&] { model->SelectProcessor(InitializeFails); }), InitializeFailure);
    EXPECT_EQ(model->GetCurrentProcessorIndex(), 0);
    EXPECT_EQ(model->GetProcessorEntries()[3]->GetProcessor(), nullptr);
    EXPECT_EQ(TakeEvents(L"TavixLife.dll"), L"factory creates 2\n初期化失敗 created\n初期化失敗 Initialize\n"
                                            L"初期化失敗 Terminate\n初期化失敗 destroyed\n");
    EXPECT_EQ(window.Drain(), Switched);

    // The program runs on: another processor can still be chosen.
    model->SelectProcessor(1);
    EXPECT_EQ(model->GetCurrentProcessorIndex(), 1);
}

TEST_F(SelectionTest, AProcessorThatCannotTerminateStaysCurrent)
{
    const std::int32_t failing = TerminateFails;
    model->SelectProcessor(failing);
    TakeEvents(L"TavixLife.dll");
    window.Drain();

    EXPECT_EQ(CodeOf([&] { model->SelectProcessor(0); }), TerminateFailure);
    EXPECT_EQ(model->GetCurrentProcessorIndex(), failing);
    EXPECT_NE(model->GetCurrentProcessor(), nullptr);
    EXPECT_EQ(window.Drain(), Ids{});

    // At the end the model lets it go all the same (the test keeps the
    // library loaded to read what happened).
    const HMODULE kept = LoadLibraryW(folder.File(L"TavixLife.dll").c_str());
    ASSERT_NE(kept, nullptr);
    model.reset();
    EXPECT_EQ(TakeEvents(L"TavixLife.dll"), L"終了失敗 Terminate\n終了失敗 Terminate\n終了失敗 destroyed\n");
    EXPECT_TRUE(FreeLibrary(kept));
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

    // A saved name is restored by the first entry of that name.
    profile.WriteString(L"Settings", L"ProcessorName", L"同名");
    const auto model = MakeModel();
    EXPECT_EQ(model->GetCurrentProcessorIndex(), 5);
    EXPECT_EQ(TakeEvents(L"TavixLife.dll"), L"factory creates 4\n同名 0 created\n同名 0 Initialize\n");
}
