// The Snap and record buttons' handlers with the real dialogs under Wine:
// what the user is asked, what lands on disk, and what the error box says.
// (The end-to-end test presses the real buttons of the running program and
// snaps a PNG and records an AVI through these dialogs.)
#include "Common/ui/Window.h"
#include "app/ErrorBox.h"
#include "support/Desktop.h"
#include "support/FakeCameras.h"
#include "ui/SaveCommands.h"

#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <thread>

using TavixCapture::RecordCommand;
using TavixCapture::SnapCommand;
using TestSupport::ReadFileBytes;
using TestSupport::TextOf;

namespace
{
// Control ids of the platform's dialogs: the save dialog's file-name box,
// a message box's text, the folder chooser's title and tree.
constexpr int FileNameBox = 1148;
constexpr int MessageText = 0xFFFF;
constexpr int ChooserTitle = 14146;
constexpr int ChooserTree = 14145;

// The first visible window owned by `owner` whose title is `title` (any
// title when null), waiting for it to appear for up to ten seconds; null
// when none did. Called from a helper thread while the test's main thread
// sits in the dialog.
HWND WaitForOwnedWindow(HWND owner, const wchar_t* title)
{
    struct Search
    {
        HWND owner;
        const wchar_t* title;
        HWND found;
    };
    const auto visit = [](HWND window, LPARAM parameter) -> BOOL
    {
        Search& search = *reinterpret_cast<Search*>(parameter);
        if (GetWindow(window, GW_OWNER) == search.owner && IsWindowVisible(window) &&
            IsWindowEnabled(window) && (search.title == nullptr || TextOf(window) == search.title))
        {
            search.found = window;
            return FALSE;
        }
        return TRUE;
    };
    const ULONGLONG deadline = GetTickCount64() + 10000;
    do
    {
        Search search = {owner, title, nullptr};
        EnumWindows(visit, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr)
        {
            return search.found;
        }
        // Nothing to wait on: the window appears when the other thread gets there.
        Sleep(20);
    } while (GetTickCount64() < deadline);
    return nullptr;
}

std::wstring ControlText(HWND dialog, int id)
{
    return TextOf(GetDlgItem(dialog, id));
}

// Clicks a button of the dialog (BM_CLICK, as the mouse does).
void Click(HWND dialog, int id)
{
    SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
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

    // Runs `command` while a helper thread answers the window it opens (the
    // first one owned by the panel with `title`, any title when null).
    template <class Command>
    void Answer(const wchar_t* title, const std::function<void(HWND)>& user, Command command)
    {
        std::thread person(
            [this, title, &user]
            {
                const HWND window = WaitForOwnedWindow(owner, title);
                ASSERT_NE(window, nullptr) << "no window was opened";
                user(window);
            });
        command();
        person.join();
    }
    // Answers the save dialog with `name`, or cancels it when `name` is empty.
    template <class Command> void AnswerSaveDialog(const std::wstring& name, Command command)
    {
        Answer(
            nullptr,
            [&](HWND dialog)
            {
                if (!name.empty())
                {
                    SetDlgItemTextW(dialog, FileNameBox, name.c_str());
                }
                Click(dialog, name.empty() ? IDCANCEL : IDOK);
            },
            command);
    }
    // Runs `command` and returns the text of the error box it shows.
    template <class Command> std::wstring ErrorBoxText(Command command)
    {
        std::wstring text;
        Answer(
            L"エラー",
            [&](HWND box)
            {
                text = ControlText(box, MessageText);
                Click(box, IDOK);
            },
            command);
        return text;
    }

    TestSupport::TempFolder output;
    std::unique_ptr<TavixCapture::MainModel> model = MakeModel();
    HWND owner = nullptr;
};
// Selects `folder` in the folder chooser. The chooser walks its tree to a
// folder set by message in its own time, and not at all before it has set
// up its tree: asks again until the tree shows the folder selected (ten
// seconds at most).
bool SelectFolder(HWND chooser, const std::wstring& folder)
{
    const std::wstring leaf = folder.substr(folder.find_last_of(L'\\') + 1);
    const HWND tree = GetDlgItem(chooser, ChooserTree);
    for (int tries = 0; tries < 100; ++tries)
    {
        SendMessageW(chooser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
        wchar_t text[MAX_PATH] = {};
        TVITEMW item = {};
        item.mask = TVIF_TEXT;
        item.hItem = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
        item.pszText = text;
        item.cchTextMax = MAX_PATH;
        if (item.hItem != nullptr && SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) &&
            leaf == text)
        {
            return true;
        }
        Sleep(100);
    }
    return false;
}

} // namespace

TEST_F(SaveCommandTest, SnapSavesTheSelectedFormatUnderTheTypedNameWithTheDefaultExtension)
{
    model->SetFileFormat(Jpeg);
    AnswerSaveDialog(L"", [&] { SnapCommand(*model, owner); });
    EXPECT_EQ(output.Names(), std::vector<std::wstring>{}) << "a cancelled Snap writes nothing";
    AnswerSaveDialog(output.File(L"shot"), [&] { SnapCommand(*model, owner); });
    AnswerSaveDialog(output.File(L"x.png"), [&] { SnapCommand(*model, owner); });
    ASSERT_EQ(output.Names(), (std::vector<std::wstring>{L"shot.jpg", L"x.png"}));
    EXPECT_EQ(ReadFileBytes(output.File(L"shot.jpg")).substr(0, 2), "\xFF\xD8");
    EXPECT_EQ(ReadFileBytes(output.File(L"x.png")).substr(0, 2), "\xFF\xD8") << "a JPEG, whatever the name";

    model->SetFileFormat(Avi);
    SnapCommand(*model, owner); // returns: no dialog, no file while no movie records
    EXPECT_EQ(output.Names().size(), 2u);
}

TEST_F(SaveCommandTest, RecordWithAStillFormatAsksForTheFolderThenSnapSavesWithoutAsking)
{
    model->SetFileFormat(Bmp);
    Answer(
        nullptr, [](HWND chooser) { Click(chooser, IDCANCEL); }, [&] { RecordCommand(*model, owner); });
    EXPECT_FALSE(model->GetIsRecording()) << "a cancelled choice changes nothing";

    const std::wstring folder = output.Path().substr(0, output.Path().size() - 1);
    std::wstring title;
    Answer(
        nullptr,
        [&](HWND chooser)
        {
            title = ControlText(chooser, ChooserTitle);
            EXPECT_TRUE(SelectFolder(chooser, folder));
            Click(chooser, IDOK);
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
