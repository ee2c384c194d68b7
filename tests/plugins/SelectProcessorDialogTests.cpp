// The dialog "処理選択" as a user meets it: the real dialog from the
// program's template, run modally on the test thread, the user's clicks
// coming with the real mouse from a timer step inside its message loop.
#include "PluginFixture.h"

#include "Common/Exception.h"
#include "resources/resource.h"
#include "support/Desktop.h"
#include "support/ErrorBoxWatcher.h"
#include "support/TimerStep.h"
#include "ui/SelectProcessorDialog.h"

#include <functional>

using TestSupport::PostClick;

namespace
{
void ClickRow(HWND dialog, int row)
{
    const HWND list = GetDlgItem(dialog, IDC_PROCESSOR_LIST);
    RECT item = {};
    ASSERT_NE(SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)),
              LB_ERR);
    PostClick(list, {(item.left + item.right) / 2, (item.top + item.bottom) / 2});
}

void ClickButton(HWND dialog, int id)
{
    RECT rect = {};
    ASSERT_TRUE(GetClientRect(GetDlgItem(dialog, id), &rect));
    PostClick(GetDlgItem(dialog, id), {rect.right / 2, rect.bottom / 2});
}
} // namespace

class SelectProcessorDialogTest : public SelectionTest
{
protected:
    // Runs the dialog modally; once it shows, notes its rows and selection
    // and lets `user` act on it. Returns the dialog's result.
    INT_PTR Run(const std::function<void(HWND dialog)>& user)
    {
        rows.clear();
        const ULONGLONG deadline = GetTickCount64() + 20000;
        const TestSupport::TimerStep person(
            [&]
            {
                const HWND dialog = FindWindowW(L"#32770", L"処理選択");
                if (GetTickCount64() > deadline)
                {
                    ADD_FAILURE() << "the dialog did not close";
                    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
                    return true;
                }
                if (dialog == nullptr || !IsWindowVisible(dialog) || !rows.empty())
                {
                    return false;
                }
                const HWND list = GetDlgItem(dialog, IDC_PROCESSOR_LIST);
                for (int i = 0; i < static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0)); ++i)
                {
                    wchar_t text[256] = {};
                    SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
                    rows.push_back(text);
                }
                selected = static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
                const HWND leftOutList = GetDlgItem(dialog, IDC_LEFT_OUT_LIST);
                wchar_t text[1024] = {};
                GetWindowTextW(leftOutList, text, 1024);
                leftOut = IsWindowVisible(leftOutList) ? text : L"(hidden)";
                user(dialog);
                return false; // watches the deadline until the dialog ends
            });
        TavixCapture::SelectProcessorDialog dialog(*model);
        return dialog.DoModal(nullptr);
    }

    std::vector<std::wstring> rows;
    int selected = -2;
    std::wstring leftOut;
};

TEST_F(SelectProcessorDialogTest, ListsEveryEntryInOrderAndOnlyOkOnAnotherRowSwitches)
{
    EXPECT_EQ(Run(
                  [](HWND dialog)
                  {
                      ClickRow(dialog, 6);
                      ClickButton(dialog, IDOK);
                  }),
              IDOK);
    EXPECT_EQ(rows, (std::vector<std::wstring>{L"なし", L"記録", L"作成失敗", L"初期化失敗", L"終了失敗",
                                               L"同名", L"処理失敗", L"処理例外", L"異常終了", L"初期化で箱",
                                               L"千回書き込み"}));
    EXPECT_EQ(selected, 0);
    EXPECT_EQ(model->GetCurrentProcessorIndex(), 6) << "row 6 is entry 6";
    EXPECT_EQ(leftOut, L"TavixLife.dll: 処理 5: 名前「同名」は TavixLife.dll の処理と同じです")
        << "the processor left out, and why";
    EXPECT_EQ(window.Drain(), (Ids{TavixCapture::PropertyId::Processor, TavixCapture::PropertyId::Frame}));
    TakeEvents(L"TavixLife.dll");

    // OK on the current row, OK without a row and Cancel change nothing.
    EXPECT_EQ(Run([](HWND dialog) { ClickButton(dialog, IDOK); }), IDOK);
    EXPECT_EQ(selected, 6);
    EXPECT_EQ(Run(
                  [](HWND dialog)
                  {
                      SendDlgItemMessageW(dialog, IDC_PROCESSOR_LIST, LB_SETCURSEL, static_cast<WPARAM>(-1),
                                          0);
                      ClickButton(dialog, IDOK);
                  }),
              IDOK);
    EXPECT_EQ(Run(
                  [](HWND dialog)
                  {
                      ClickRow(dialog, 2);
                      ClickButton(dialog, IDCANCEL);
                  }),
              IDCANCEL);
    EXPECT_EQ(model->GetCurrentProcessorIndex(), 6);
    EXPECT_EQ(window.Drain(), Ids{});
    EXPECT_EQ(TakeEvents(L"TavixLife.dll"), L"") << "the processor was not made again";
}

TEST_F(SelectProcessorDialogTest, AProcessorThatFailsToStartIsReportedAndNoneStaysSelected)
{
    model->SelectProcessor(1);
    window.Drain();
    const TestSupport::ErrorBoxWatcher errorBoxes;
    const INT_PTR result = Run(
        [](HWND dialog)
        {
            ClickRow(dialog, 3);
            ClickButton(dialog, IDOK);
        });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(errorBoxes.Texts(),
              std::vector<std::wstring>{L"処理「初期化失敗」を開始できませんでした（エラー 0x80041005）"});
    EXPECT_EQ(model->GetCurrentProcessorIndex(), 0);
    EXPECT_EQ(window.Drain(), (Ids{TavixCapture::PropertyId::Processor, TavixCapture::PropertyId::Frame}));
    // (That the program runs on with another processor: the selection case.)
}
