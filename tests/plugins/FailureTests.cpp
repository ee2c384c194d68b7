// Processors that fail, throw, wait on the user, crash or write settings in
// storms, while frames flow: the program keeps running, keeps delivering and
// keeps its configuration file whole. Cases that end a process run in a
// child process: this program again, running one DISABLED_ case of
// PluginChild in the folder it is given.
#include "PluginFixture.h"

#include "Common/TextHelpers.h"
#include "Common/UniqueHandle.h"
#include "support/FramePixels.h"
#include "app/CrashReporter.h"
#include "app/HostServices.h"
#include "support/TimerStep.h"

#include <algorithm>
#include <atomic>
#include <optional>
#include <thread>

namespace
{
// Entries of the life-cycle plug-in (the discovery case checks the list).
enum : std::int32_t
{
    Recording = 1,
    ProcessFails = 6,
    ProcessThrows = 7,
    BoxInInitialize = 9,
    Burst = 10,
};

constexpr wchar_t ChildFolderVariable[] = L"TAVIX_TEST_CHILD_FOLDER";

std::wstring ChildFolder()
{
    wchar_t folder[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(ChildFolderVariable, folder, MAX_PATH);
    return std::wstring(folder, length < MAX_PATH ? length : 0);
}

// Starts this test program on the one child case `name` in `folder`.
Common::UniqueHandle StartChild(const std::wstring& name, const std::wstring& folder)
{
    std::wstring program(MAX_PATH, L'\0');
    program.resize(GetModuleFileNameW(nullptr, program.data(), MAX_PATH));
    std::wstring command =
        L"\"" + program + L"\" --gtest_also_run_disabled_tests --gtest_filter=PluginChild." + name;
    EXPECT_TRUE(SetEnvironmentVariableW(ChildFolderVariable, folder.c_str()));
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    EXPECT_TRUE(CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    SetEnvironmentVariableW(ChildFolderVariable, nullptr);
    CloseHandle(process.hThread);
    return Common::UniqueHandle(process.hProcess);
}

bool Contains(const Ids& ids, TavixCapture::PropertyId id)
{
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}
} // namespace

TEST_F(SelectionTest, AFailingOrThrowingProcessIsToldOncePerRunOfFailuresAndTheFramesGoOn)
{
    model->StartCapture();
    for (const std::int32_t failing : {ProcessFails, ProcessThrows})
    {
        const std::wstring name = model->GetProcessorEntries()[static_cast<std::size_t>(failing)]->GetName();
        for (int run = 0; run < 2; ++run)
        {
            model->SelectProcessor(failing);
            window.Drain();
            const std::uint64_t delivered = model->GetDeliveredFrameCount();
            cam0->DeliverFrame(0xFF102030u);
            const Ids first = window.Drain();
            EXPECT_TRUE(Contains(first, TavixCapture::PropertyId::ErrorMessage))
                << testing::PrintToString(name);
            EXPECT_TRUE(Contains(first, TavixCapture::PropertyId::Frame))
                << "the frame is shown all the same";
            EXPECT_EQ(model->GetErrorText().rfind(L"処理「" + name + L"」が失敗しました。", 0), 0u)
                << testing::PrintToString(model->GetErrorText());
            cam0->DeliverFrame(0xFF102030u);
            const Ids second = window.Drain();
            EXPECT_FALSE(Contains(second, TavixCapture::PropertyId::ErrorMessage)) << "told once";
            EXPECT_TRUE(Contains(second, TavixCapture::PropertyId::Frame));
            EXPECT_EQ(model->GetDeliveredFrameCount(), delivered + 2);
            EXPECT_EQ(TestSupport::LatestFrame(*cam0).pixels[0], 0x30) << "passed on unprocessed";
            // A clean processor ends the run; choosing the failing one again starts a new one.
            model->SelectProcessor(Recording);
            cam0->DeliverFrame(0xFF102030u);
        }
    }
    model->StopCapture();
    EXPECT_TRUE(model->GetCurrentDevice().IsOpened() == false);
}

TEST_F(SelectionTest, AMessageBoxInInitializeLetsTheFramesFlowAndTheSwitchEndsWhenItCloses)
{
    model->StartCapture();
    // The camera: 60 frames a second on a thread of its own.
    std::atomic<bool> stop = false;
    std::thread camera(
        [&]
        {
            const Common::UniqueHandle timer(CreateWaitableTimerW(nullptr, FALSE, nullptr));
            LARGE_INTEGER due;
            due.QuadPart = -1;
            ASSERT_TRUE(SetWaitableTimer(timer.Get(), &due, 16, nullptr, nullptr, FALSE));
            while (!stop)
            {
                WaitForSingleObject(timer.Get(), 1000);
                cam0->DeliverFrame(0xFF000000u);
            }
        });
    // The person waits until 30 frames arrived while the box is open, then answers it.
    std::optional<std::uint64_t> atBox;
    bool flowed = false;
    const ULONGLONG deadline = GetTickCount64() + 30000;
    const TestSupport::TimerStep person(
        [&]
        {
            const HWND box = FindWindowW(L"#32770", L"箱");
            if (box == nullptr)
            {
                return false;
            }
            if (!atBox)
            {
                atBox = model->GetDeliveredFrameCount();
            }
            flowed = model->GetDeliveredFrameCount() >= *atBox + 30;
            if (!flowed && GetTickCount64() < deadline)
            {
                return false;
            }
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            return true;
        });
    model->SelectProcessor(BoxInInitialize);
    stop = true;
    camera.join();
    model->StopCapture();

    EXPECT_TRUE(flowed) << "frames stopped while the box was open";
    EXPECT_EQ(model->GetCurrentProcessorIndex(), BoxInInitialize);
    EXPECT_EQ(TakeEvents(L"TavixLife.dll"),
              L"factory creates 9\n初期化で箱 created\n初期化で箱 Initialize\n");
}

// ---- settings ----

namespace
{
// Every key of each burst section holds the same round as [Burst] Round.
void ExpectWholeRounds(const TavixCapture::IniProfile& profile)
{
    const std::int32_t round = profile.ReadInt(L"Burst", L"Round", 0);
    for (int i = 0; i < 1000; ++i)
    {
        const std::int32_t value = profile.ReadInt((L"Burst" + std::to_wstring(i / 100)).c_str(),
                                                   (L"K" + std::to_wstring(i)).c_str(), 0);
        if (value != round)
        {
            ADD_FAILURE() << "K" << i << " holds round " << value << " in round " << round;
            return;
        }
    }
}

// The file's identity: a replacement gives the name a new file.
std::uint64_t FileIndex(const std::wstring& path)
{
    const Common::UniqueHandle file(
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION information = {};
    EXPECT_TRUE(GetFileInformationByHandle(file.Get(), &information));
    return (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
}
} // namespace

TEST_F(SelectionTest, AThousandWritesInABurstReachTheFileTogetherAfterAQuietTimeOrAtTerminate)
{
    profile.WriteInt(L"Burst", L"Round", 0);
    model->SelectProcessor(Burst);
    model->StartCapture();
    const std::uint64_t before = FileIndex(profile.GetPath());
    cam0->DeliverFrame(0xFF000000u); // a burst on the capture thread
    EXPECT_EQ(FileIndex(profile.GetPath()), before) << "the burst went to memory, not to the file";
    EXPECT_EQ(profile.ReadInt(L"Burst", L"Round", 0), 0);
    // The quiet time writes it, all at once.
    EXPECT_TRUE(WaitForSetting(L"Burst", L"Round", 1));
    ExpectWholeRounds(profile);
    // Terminate writes what is left at once.
    cam0->DeliverFrame(0xFF000000u);
    model->StopCapture();
    model->SelectProcessor(0);
    EXPECT_EQ(profile.ReadInt(L"Burst", L"Round", 0), 2);
    ExpectWholeRounds(profile);
}

TEST_F(SelectionTest, ABurstThatFindsTheFileHeldOpenIsWrittenAtTheNextQuietTime)
{
    profile.WriteInt(L"Burst", L"Round", 0);
    model->SelectProcessor(Burst);
    model->StartCapture();
    const std::wstring folder = Common::GetDirectoryPart(profile.GetPath());
    {
        const HANDLE change =
            FindFirstChangeNotificationW(folder.c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME);
        ASSERT_NE(change, INVALID_HANDLE_VALUE);
        cam0->DeliverFrame(0xFF000000u); // the burst, in memory
        // Then, before the quiet time ends, another program opens the file
        // and lets nobody replace it.
        const Common::UniqueHandle held(CreateFileW(profile.GetPath().c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                    nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        // The quiet time's flush makes its copy (the only name that changes
        // in the folder) and, refused, removes it again.
        ASSERT_EQ(WaitForSingleObject(change, 10000), WAIT_OBJECT_0) << "no flush was tried";
        const auto copyLeft = [&]
        {
            const std::vector<std::wstring> names = TestSupport::ListFiles(folder);
            return std::any_of(names.begin(), names.end(),
                               [](const std::wstring& name) { return name.rfind(L"~ini", 0) == 0; });
        };
        for (const ULONGLONG deadline = GetTickCount64() + 10000; copyLeft() && GetTickCount64() < deadline;)
        {
            FindNextChangeNotification(change);
            WaitForSingleObject(change, 500);
        }
        const bool copyGone = !copyLeft();
        FindCloseChangeNotification(change);
        ASSERT_TRUE(copyGone) << "no refused flush was seen";
        EXPECT_EQ(profile.ReadInt(L"Burst", L"Round", 0), 0);
    }
    // Released, the file takes the whole batch after the next quiet time.
    EXPECT_TRUE(WaitForSetting(L"Burst", L"Round", 1));
    ExpectWholeRounds(profile);
    model->StopCapture();
}

TEST(PluginChild, DISABLED_WritesBurstsUntilKilled)
{
    const std::wstring folder = ChildFolder();
    ASSERT_FALSE(folder.empty());
    TestSupport::FakeCameras cameras;
    const TavixCapture::IniProfile profile(folder + L"burst.ini");
    TavixCapture::MainModel model(profile, cameras.Factory(), 0, false, false, folder);
    model.StartCapture();
    for (;;)
    {
        model.SelectProcessor(Burst);
        cameras.cam0->DeliverFrame(0xFF000000u);
        model.SelectProcessor(0);
    }
}

TEST_F(PluginTest, AKillAtAnyPointLeavesEachSectionOfTheBurstOldOrNew)
{
    Install(L"lifecycle", L"TavixLife.dll");
    const TavixCapture::IniProfile burst(folder.File(L"burst.ini"));
    for (int kill = 0; kill < 6; ++kill)
    {
        const std::int32_t start = burst.ReadInt(L"Burst", L"Round", 0);
        const Common::UniqueHandle child = StartChild(L"DISABLED_WritesBurstsUntilKilled", folder.Path());
        ASSERT_TRUE(child.IsValid());
        // Once a round has landed, the kill comes a little later each time.
        const ULONGLONG deadline = GetTickCount64() + 60000;
        while (burst.ReadInt(L"Burst", L"Round", 0) == start && GetTickCount64() < deadline)
        {
            ASSERT_EQ(WaitForSingleObject(child.Get(), 20), static_cast<DWORD>(WAIT_TIMEOUT))
                << "the child ended";
        }
        WaitForSingleObject(child.Get(), static_cast<DWORD>(kill * 97));
        ASSERT_TRUE(TerminateProcess(child.Get(), 9));
        ASSERT_EQ(WaitForSingleObject(child.Get(), 20000), WAIT_OBJECT_0);
        EXPECT_GT(burst.ReadInt(L"Burst", L"Round", 0), start);
        ExpectWholeRounds(burst);
    }
}

// ---- crashes ----

TEST(PluginChild, DISABLED_CrashesInProcess)
{
    const std::wstring folder = ChildFolder();
    ASSERT_FALSE(folder.empty());
    TavixCapture::CrashReporter::Install(folder + L"dumps\\");
    TestSupport::FakeCameras cameras;
    const auto model = cameras.MakeModel(folder);
    model->SelectProcessorByName(L"異常終了");
    model->StartCapture();
    cameras.cam0->DeliverFrame(0xFF000000u);
    ADD_FAILURE() << "still running";
}

TEST_F(PluginTest, ACrashInAPluginLeavesAMinidumpAndTheNextStartRunsNoneAndNamesTheLibrary)
{
    Install(L"lifecycle", L"TavixLife.dll");
    const Common::UniqueHandle child = StartChild(L"DISABLED_CrashesInProcess", folder.Path());
    ASSERT_EQ(WaitForSingleObject(child.Get(), 60000), WAIT_OBJECT_0);
    DWORD exitCode = 0;
    ASSERT_TRUE(GetExitCodeProcess(child.Get(), &exitCode));
    EXPECT_EQ(exitCode, static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));

    const std::wstring dumps = folder.File(L"dumps\\");
    const std::vector<std::wstring> names = TestSupport::ListFiles(dumps);
    ASSERT_EQ(names.size(), 2u) << "a minidump and the note";
    EXPECT_EQ(names[0], L"LastCrash.txt");
    EXPECT_EQ(names[1].rfind(L"TavixCapture-", 0), 0u);
    EXPECT_EQ(TestSupport::ReadFileBytes(dumps + names[1]).substr(0, 4), "MDMP");

    // The next start: "なし" instead of the saved processor, and a message naming the library.
    profile.WriteString(L"Settings", L"ProcessorName", L"異常終了");
    const std::optional<std::wstring> message =
        TavixCapture::CrashReporter::RecoverFromLastCrash(profile, dumps);
    ASSERT_TRUE(message.has_value());
    EXPECT_EQ(*message,
              L"前回はプラグイン TavixLife.dll の中で異常終了しました。処理は「なし」にしました。\n記録: " +
                  dumps + names[1]);
    EXPECT_EQ(MakeModel()->GetCurrentProcessorIndex(), 0);
    EXPECT_FALSE(TavixCapture::CrashReporter::RecoverFromLastCrash(profile, dumps).has_value())
        << "told once";
}
