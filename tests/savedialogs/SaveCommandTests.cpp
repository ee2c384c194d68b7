// The Snap and record buttons' handlers with the real dialogs under Wine:
// what the user is asked, what lands on disk, and what the error box says.
// (The end-to-end test presses the real buttons of the running program and
// snaps a PNG and records an AVI through these dialogs.)
#include "Common/ui/Window.h"
#include "app/ErrorBox.h"
#include "support/Desktop.h"
#include "support/ErrorBoxWatcher.h"
#include "support/FakeCameras.h"
#include "support/TimerStep.h"
#include "ui/SaveCommands.h"

#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <functional>

using TavixCapture::RecordCommand;
using TavixCapture::SnapCommand;
using TestSupport::OwnedWindow;
using TestSupport::ReadFileBytes;
using TestSupport::TextOf;

namespace
{
// Control ids of the platform's dialogs: the save dialog's file-name box,
// the folder chooser's title and tree.
constexpr int FileNameBox = 1148;
constexpr int ChooserTitle = 14146;
constexpr int ChooserTree = 14145;

// Clicks a button of the dialog (BM_CLICK, as the mouse does).
void Click(HWND dialog, int id)
{
    SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

// Asks the folder chooser for `folder`; true once its tree shows it
// selected. The chooser walks its tree to a folder set by message in its own
// time, and not at all before it has set up its tree: ask on every tick.
bool SelectFolder(HWND chooser, const std::wstring& folder)
{
    SendMessageW(chooser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
    wchar_t text[MAX_PATH] = {};
    TVITEMW item = {};
    item.mask = TVIF_TEXT;
    const HWND tree = GetDlgItem(chooser, ChooserTree);
    item.hItem = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    return item.hItem != nullptr && SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) &&
           folder.substr(folder.find_last_of(L'\\') + 1) == text;
}

enum FileFormat
{
    Bmp = 0,
    Jpeg = 1,
    Png = 2,
    Avi = 4,
    Wmv = 5,
};

class SaveCommandTest : public testing::Test, protected TestSupport::FakeCameras
{
protected:
    SaveCommandTest()
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

    // Runs `command` while the person answers the dialog it opens (owned by
    // the panel), tick by tick from the dialog's own loop, until `step`
    // returns true.
    template <class Command> void Answer(const std::function<bool(HWND)>& step, Command command)
    {
        const TestSupport::TimerStep person(
            [&]
            {
                const HWND dialog = OwnedWindow(owner);
                return dialog != nullptr && step(dialog);
            });
        command();
        EXPECT_TRUE(person.Done()) << "no dialog was answered";
    }
    // Answers the save dialog with `name`, or cancels it when `name` is empty.
    template <class Command> void AnswerSaveDialog(const std::wstring& name, Command command)
    {
        Answer(
            [&](HWND dialog)
            {
                SetDlgItemTextW(dialog, FileNameBox, name.c_str());
                Click(dialog, name.empty() ? IDCANCEL : IDOK);
                return true;
            },
            command);
    }
    // Runs `command` and returns the text of the one error box it shows.
    template <class Command> std::wstring ErrorBoxText(Command command)
    {
        const TestSupport::ErrorBoxWatcher watcher;
        command();
        EXPECT_EQ(watcher.Texts().size(), 1u);
        return watcher.Texts().empty() ? L"" : watcher.Texts().front();
    }

    TestSupport::TempFolder output;
    std::unique_ptr<TavixCapture::MainModel> model = MakeModel();
    HWND owner = nullptr;
};

} // namespace

TEST_F(SaveCommandTest, SnapSavesTheSelectedFormatUnderTheTypedNameWithTheDefaultExtension)
{
    wchar_t before[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, before);
    model->SetFileFormat(Jpeg);
    AnswerSaveDialog(L"", [&] { SnapCommand(*model, owner); });
    EXPECT_EQ(output.Names(), std::vector<std::wstring>{}) << "a cancelled Snap writes nothing";
    AnswerSaveDialog(output.File(L"shot"), [&] { SnapCommand(*model, owner); });
    AnswerSaveDialog(output.File(L"x.png"), [&] { SnapCommand(*model, owner); });
    ASSERT_EQ(output.Names(), (std::vector<std::wstring>{L"shot.jpg", L"x.png"}));
    EXPECT_EQ(ReadFileBytes(output.File(L"shot.jpg")).substr(0, 2), "\xFF\xD8");
    EXPECT_EQ(ReadFileBytes(output.File(L"x.png")).substr(0, 2), "\xFF\xD8") << "a JPEG, whatever the name";
    wchar_t after[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, after);
    EXPECT_EQ(std::wstring(after), std::wstring(before)) << "the dialog changed the process's current folder";

    model->SetFileFormat(Avi);
    SnapCommand(*model, owner); // returns: no dialog, no file while no movie records
    EXPECT_EQ(output.Names().size(), 2u);
}

TEST_F(SaveCommandTest, RecordWithAStillFormatAsksForTheFolderThenSnapSavesWithoutAsking)
{
    model->SetFileFormat(Bmp);
    Answer(
        [](HWND chooser)
        {
            Click(chooser, IDCANCEL);
            return true;
        },
        [&] { RecordCommand(*model, owner); });
    EXPECT_FALSE(model->GetIsRecording()) << "a cancelled choice changes nothing";

    const std::wstring folder = output.Path().substr(0, output.Path().size() - 1);
    std::wstring title;
    int ticks = 0;
    Answer(
        [&](HWND chooser)
        {
            title = TextOf(GetDlgItem(chooser, ChooserTitle));
            if (!SelectFolder(chooser, folder) && ++ticks < 200)
            {
                return false;
            }
            EXPECT_LT(ticks, 200) << "the chooser did not show the folder within ten seconds";
            Click(chooser, IDOK);
            return true;
        },
        [&] { RecordCommand(*model, owner); });
    EXPECT_EQ(title, L"出力先フォルダーの選択");
    EXPECT_TRUE(model->GetIsRecording());
    EXPECT_EQ(model->GetSaveFolder(), output.Path());

    SnapCommand(*model, owner); // returns: no dialog is shown
    RecordCommand(*model, owner);
    EXPECT_FALSE(model->GetIsRecording());
    const std::vector<std::wstring> files = output.Names();
    ASSERT_EQ(files.size(), 1u) << "the snap, and nothing from the stop";
    EXPECT_EQ(ReadFileBytes(output.File(files[0])).substr(0, 2), "BM");
}

TEST_F(SaveCommandTest, AWmvRecordingUnderWineEndsInTheErrorBox)
{
    // Wine's sink writer makes no WMV file; the user gets the box, not a crash.
    model->SetFileFormat(Wmv);
    std::wstring text;
    AnswerSaveDialog(output.File(L"movie"),
                     [&] { text = ErrorBoxText([&] { RecordCommand(*model, owner); }); });
    EXPECT_FALSE(text.empty());
    EXPECT_FALSE(model->GetIsRecording());
}

TEST_F(SaveCommandTest, AFileFormatOutsideTheListGivesItsMessageInTheBox)
{
    model->SetFileFormat(9);
    EXPECT_EQ(ErrorBoxText([&] { RecordCommand(*model, owner); }), L"不正なモードです。");
    EXPECT_EQ(ErrorBoxText([&] { SnapCommand(*model, owner); }), L"不正なモードです。");
    model->SetFileFormat(-2);
    ShowLocations(true);
    EXPECT_EQ(ErrorBoxText([&] { SnapCommand(*model, owner); })
                  .rfind(L"サポートされていないフォーマットが指定されました。SaveCommands(", 0),
              0u)
        << "with debug messages the source location follows";
    EXPECT_FALSE(model->GetIsRecording());
    EXPECT_EQ(output.Names(), std::vector<std::wstring>{});
}
