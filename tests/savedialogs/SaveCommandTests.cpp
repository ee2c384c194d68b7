// The Snap and record buttons' handlers with the real dialogs under Wine:
// what the user is asked, what lands on disk, and what the error box says.
#include "DialogDriver.h"

#include "Common/ui/Window.h"
#include "app/ErrorBox.h"
#include "app/MainModel.h"
#include "app/SaveFormats.h"
#include "support/FakeCapture.h"
#include "support/TempFolder.h"
#include "resources/resource.h"
#include "ui/ControlPanel.h"
#include "ui/SaveCommands.h"

#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include <fstream>
#include <thread>

using namespace DialogDriver;
using TavixCapture::RecordCommand;
using TavixCapture::SnapCommand;

namespace
{
enum FileFormat
{
    Bmp = 0,
    Jpeg = 1,
    Png = 2,
    Avi = 4,
    Wmv = 5,
};

std::vector<std::wstring> FilesIn(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE)
    {
        do
        {
            if (data.cFileName[0] != L'.')
            {
                names.push_back(data.cFileName);
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    return names;
}

std::string FirstBytes(const std::wstring& path, std::size_t count)
{
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    std::string bytes(count, '\0');
    DWORD read = 0;
    if (file != INVALID_HANDLE_VALUE)
    {
        ReadFile(file, bytes.data(), static_cast<DWORD>(count), &read, nullptr);
        CloseHandle(file);
    }
    bytes.resize(read);
    return bytes;
}

class SaveCommandTest : public testing::Test
{
protected:
    SaveCommandTest()
        : profile(settings.File(L"TavixCapture.ini")),
          camera(std::make_shared<TestSupport::FakeDevice>(
              L"Camera", L"\\\\?\\camera",
              std::initializer_list<TestSupport::FormatInfo>{{L"YUY2", 64, 48, 30.0}})),
          model(
              profile, [this](std::int32_t, bool, bool) { return TestSupport::MakeCapture({camera}); }, 0,
              true, false, settings.Path())
    {
        ShowLocations(false);
        owner = CreateWindowExW(0, L"STATIC", L"panel", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~SaveCommandTest() override
    {
        DestroyWindow(owner);
        Common::Mfc::Window::SetExceptionReporter(nullptr);
    }

    // Errors reach the box as the main window arranges it.
    static void ShowLocations(bool withLocation)
    {
        Common::Mfc::Window::SetExceptionReporter(
            [withLocation](HWND window, std::exception_ptr error)
            { TavixCapture::ErrorBox::Show(window, error, withLocation); });
    }

    // Runs `command` while a helper thread answers the save dialog with `name`
    // (or cancels it when `name` is empty).
    template <class Command> void AnswerSaveDialog(const std::wstring& name, Command command)
    {
        std::thread user(
            [this, name]
            {
                const HWND dialog = WaitForOwnedWindow(owner);
                ASSERT_NE(dialog, nullptr) << "no save dialog";
                if (name.empty())
                {
                    Click(dialog, IDCANCEL);
                    return;
                }
                SetControlText(dialog, FileNameBox, name);
                Click(dialog, IDOK);
            });
        command();
        user.join();
    }

    // Runs `command` and returns the text of the error box it shows.
    template <class Command> std::wstring ErrorBoxText(Command command)
    {
        std::wstring text = L"(no box)";
        std::thread user(
            [this, &text]
            {
                const HWND box = WaitForOwnedWindow(owner, L"エラー");
                if (box != nullptr)
                {
                    text = ControlText(box, MessageText);
                    Click(box, IDOK);
                }
            });
        command();
        user.join();
        return text;
    }

    TestSupport::TempFolder settings;
    TestSupport::TempFolder output;
    TavixCapture::IniProfile profile;
    std::shared_ptr<TestSupport::FakeDevice> camera;
    TavixCapture::MainModel model;
    HWND owner = nullptr;
};
} // namespace

TEST_F(SaveCommandTest, SnapAsksForAFileAndAddsTheDefaultExtension)
{
    model.SetFileFormat(Jpeg);
    AnswerSaveDialog(output.File(L"shot"), [&] { SnapCommand(model, owner); });
    ASSERT_EQ(FilesIn(output.Path()), std::vector<std::wstring>{L"shot.jpg"});
    EXPECT_EQ(FirstBytes(output.File(L"shot.jpg"), 2), "\xFF\xD8");
}

TEST_F(SaveCommandTest, ANameTypedAsPngWhileJpegIsSelectedHoldsAJpeg)
{
    model.SetFileFormat(Jpeg);
    AnswerSaveDialog(output.File(L"x.png"), [&] { SnapCommand(model, owner); });
    ASSERT_EQ(FilesIn(output.Path()), std::vector<std::wstring>{L"x.png"});
    EXPECT_EQ(FirstBytes(output.File(L"x.png"), 2), "\xFF\xD8");
}

TEST_F(SaveCommandTest, ACancelledSnapWritesNothing)
{
    model.SetFileFormat(Png);
    AnswerSaveDialog(L"", [&] { SnapCommand(model, owner); });
    EXPECT_TRUE(FilesIn(output.Path()).empty());
}

TEST_F(SaveCommandTest, SnapWhileRecordingStillsSavesWithoutAsking)
{
    model.SetFileFormat(Bmp);
    model.StartRecording(output.Path());
    SnapCommand(model, owner); // returns: no dialog is shown
    model.StopRecording();
    const std::vector<std::wstring> files = FilesIn(output.Path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(FirstBytes(output.File(files[0]), 2), "BM");
}

TEST_F(SaveCommandTest, SnapWithAMovieFormatAndNoRecordingWritesAndShowsNothing)
{
    model.SetFileFormat(Avi);
    SnapCommand(model, owner);
    EXPECT_TRUE(FilesIn(output.Path()).empty());
}

TEST_F(SaveCommandTest, RecordWithAStillFormatAsksForTheFolderAndStopsOnTheNextPress)
{
    model.SetFileFormat(Png);
    const std::wstring folder = output.Path().substr(0, output.Path().size() - 1);
    std::wstring title;
    std::thread user(
        [&]
        {
            const HWND chooser = WaitForOwnedWindow(owner);
            ASSERT_NE(chooser, nullptr) << "no folder chooser";
            title = ControlText(chooser, 14146);
            SendMessageW(chooser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
            Click(chooser, IDOK);
        });
    RecordCommand(model, owner);
    user.join();
    EXPECT_EQ(title, L"出力先フォルダーの選択");
    EXPECT_TRUE(model.GetIsRecording());
    EXPECT_EQ(model.GetSaveFolder(), output.Path());

    RecordCommand(model, owner);
    EXPECT_FALSE(model.GetIsRecording());
    EXPECT_TRUE(FilesIn(output.Path()).empty()) << "stopping writes no file";
}

TEST_F(SaveCommandTest, ACancelledFolderChoiceChangesNothing)
{
    model.SetFileFormat(Bmp);
    std::thread user(
        [&]
        {
            const HWND chooser = WaitForOwnedWindow(owner);
            ASSERT_NE(chooser, nullptr);
            Click(chooser, IDCANCEL);
        });
    RecordCommand(model, owner);
    user.join();
    EXPECT_FALSE(model.GetIsRecording());
}

TEST_F(SaveCommandTest, RecordWithAviAsksForTheMovieFile)
{
    model.SetFileFormat(Avi);
    AnswerSaveDialog(output.File(L"movie"), [&] { RecordCommand(model, owner); });
    EXPECT_TRUE(model.GetIsRecording());
    SnapCommand(model, owner);
    RecordCommand(model, owner);
    EXPECT_FALSE(model.GetIsRecording());
    ASSERT_EQ(FilesIn(output.Path()), std::vector<std::wstring>{L"movie.avi"});
    EXPECT_EQ(FirstBytes(output.File(L"movie.avi"), 4), "RIFF");
}

TEST_F(SaveCommandTest, AWmvRecordingUnderWineEndsInTheErrorBox)
{
    // Wine's sink writer makes no WMV file; the user gets the box, not a crash.
    model.SetFileFormat(Wmv);
    std::wstring text;
    AnswerSaveDialog(output.File(L"movie"),
                     [&] { text = ErrorBoxText([&] { RecordCommand(model, owner); }); });
    EXPECT_NE(text, L"(no box)");
    EXPECT_FALSE(text.empty());
    EXPECT_FALSE(model.GetIsRecording());
}

TEST_F(SaveCommandTest, AFileFormatOutsideTheListGivesItsMessageInTheBox)
{
    model.SetFileFormat(9);
    EXPECT_EQ(ErrorBoxText([&] { RecordCommand(model, owner); }), L"不正なモードです。");
    EXPECT_EQ(ErrorBoxText([&] { SnapCommand(model, owner); }), L"不正なモードです。");
    model.SetFileFormat(-2);
    EXPECT_EQ(ErrorBoxText([&] { SnapCommand(model, owner); }),
              L"サポートされていないフォーマットが指定されました。");
    ShowLocations(true);
    EXPECT_EQ(ErrorBoxText([&] { RecordCommand(model, owner); })
                  .rfind(L"サポートされていないフォーマットが指定されました。SaveCommands(", 0),
              0u)
        << "with debug messages the source location follows";
    EXPECT_FALSE(model.GetIsRecording());
}

TEST_F(SaveCommandTest, TheControlPanelsButtonsRunTheCommands)
{
    TavixCapture::ControlPanel panel(model, false);
    panel.Create(owner);
    ASSERT_NE(panel.GetSafeHwnd(), nullptr);
    const HWND record = GetDlgItem(panel.GetSafeHwnd(), IDC_RECORD);
    const HWND snap = GetDlgItem(panel.GetSafeHwnd(), IDC_SNAP);
    model.SetFileFormat(Bmp);
    model.SetSaveTarget(0);

    // "録画" with a still format asks for the folder (here: cancelled).
    std::thread user(
        [&]
        {
            const HWND chooser = WaitForOwnedWindow(owner);
            ASSERT_NE(chooser, nullptr) << "no folder chooser";
            Click(chooser, IDCANCEL);
        });
    SendMessageW(record, BM_CLICK, 0, 0);
    user.join();
    EXPECT_FALSE(model.GetIsRecording());

    // While recording, "Snap" saves without asking.
    model.StartRecording(output.Path());
    SendMessageW(snap, BM_CLICK, 0, 0);
    EXPECT_EQ(FilesIn(output.Path()).size(), 1u);
    SendMessageW(record, BM_CLICK, 0, 0);
    EXPECT_FALSE(model.GetIsRecording());
    panel.DestroyWindow();
}
