// The dialog "処理選択" as a user meets it: the real dialog from the
// program's template, driven with the real mouse from a second thread while
// the test thread runs it modally.
#include "PluginFixture.h"

#include "Common/Exception.h"
#include "ui/SelectProcessorDialog.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace
{

// Windows of the test thread that have just been shown, as a hook on the
// thread's window procedures sees them.
std::mutex activatedLock;
std::condition_variable activatedSignal;
std::deque<HWND> activated; // guarded by activatedLock

LRESULT CALLBACK AfterWindowProcedure(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_WINDOWPOSCHANGED &&
        (reinterpret_cast<const WINDOWPOS*>(call->lParam)->flags & SWP_SHOWWINDOW) != 0)
    {
        std::lock_guard<std::mutex> lock(activatedLock);
        activated.push_back(call->hwnd);
        activatedSignal.notify_all();
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

std::wstring TitleOf(HWND window)
{
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

// The next window activated with this title, or null after 20 s.
HWND WaitForWindow(const std::wstring& title)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::unique_lock<std::mutex> lock(activatedLock);
    for (;;)
    {
        while (!activated.empty())
        {
            const HWND window = activated.front();
            activated.pop_front();
            if (TitleOf(window) == title)
            {
                return window;
            }
        }
        if (activatedSignal.wait_until(lock, deadline) == std::cv_status::timeout)
        {
            return nullptr;
        }
    }
}

// A left click at a point of a window's client area, with the real mouse:
// the move to the point travels in the same input stream as the button.
void Click(HWND window, POINT point)
{
    ASSERT_TRUE(ClientToScreen(window, &point));
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    INPUT inputs[3] = {};
    inputs[0].type = INPUT_MOUSE;
    inputs[0].mi.dx = static_cast<LONG>((point.x * 65536 + width / 2) / width);
    inputs[0].mi.dy = static_cast<LONG>((point.y * 65536 + height / 2) / height);
    inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    inputs[1].type = INPUT_MOUSE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[2].type = INPUT_MOUSE;
    inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ASSERT_EQ(SendInput(3, inputs, sizeof(INPUT)), 3u);
}

void ClickRow(HWND dialog, int row)
{
    const HWND list = GetDlgItem(dialog, 1005);
    RECT item = {};
    ASSERT_NE(SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)),
              LB_ERR);
    Click(list, {(item.left + item.right) / 2, (item.top + item.bottom) / 2});
}

void ClickButton(HWND dialog, int id)
{
    const HWND button = GetDlgItem(dialog, id);
    ASSERT_NE(button, nullptr);
    RECT rect = {};
    ASSERT_TRUE(GetClientRect(button, &rect));
    Click(button, {rect.right / 2, rect.bottom / 2});
}

struct DialogSeen
{
    std::vector<std::wstring> rows;
    int selected = -2;
    std::wstring errorText;
};

BOOL CALLBACK CollectStaticText(HWND child, LPARAM parameter)
{
    wchar_t className[32] = {};
    GetClassNameW(child, className, 32);
    if (_wcsicmp(className, L"Static") == 0)
    {
        *reinterpret_cast<std::wstring*>(parameter) += TitleOf(child);
    }
    return TRUE;
}

} // namespace

class SelectProcessorDialogTest : public PluginTest
{
protected:
    SelectProcessorDialogTest()
    {
        Install(L"lifecycle", L"TavixLife.dll");
        model = MakeModel();
        Listen(*model);
        {
            std::lock_guard<std::mutex> lock(activatedLock);
            activated.clear();
        }
        hook_ = SetWindowsHookExW(WH_CALLWNDPROCRET, AfterWindowProcedure, nullptr, GetCurrentThreadId());
        EXPECT_NE(hook_, nullptr);
    }
    ~SelectProcessorDialogTest() override { UnhookWindowsHookEx(hook_); }

    // Runs the dialog modally while `user` acts on it from another thread;
    // returns the dialog's result. What the user saw is in `seen`.
    INT_PTR Run(const std::function<void(HWND dialog)>& user)
    {
        std::thread person(
            [&]
            {
                const HWND dialog = WaitForWindow(L"処理選択");
                if (dialog == nullptr)
                {
                    ADD_FAILURE() << "the dialog did not appear";
                    // Do not leave the test thread in the dialog forever.
                    PostMessageW(FindWindowW(L"#32770", L"処理選択"), WM_COMMAND, IDCANCEL, 0);
                    return;
                }
                const HWND list = GetDlgItem(dialog, 1005);
                const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
                for (int i = 0; i < count; ++i)
                {
                    wchar_t text[256] = {};
                    SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
                    seen.rows.push_back(text);
                }
                seen.selected = static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
                user(dialog);
                std::unique_lock<std::mutex> lock(endLock_);
                if (!endSignal_.wait_for(lock, std::chrono::seconds(20), [this] { return ended_; }))
                {
                    ADD_FAILURE() << "the dialog did not close";
                    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
                }
            });
        TavixCapture::SelectProcessorDialog dialog(*model);
        const INT_PTR result = dialog.DoModal(nullptr);
        {
            std::lock_guard<std::mutex> lock(endLock_);
            ended_ = true;
        }
        endSignal_.notify_all();
        person.join();
        ended_ = false;
        return result;
    }

    std::unique_ptr<TavixCapture::MainModel> model;
    DialogSeen seen;

private:
    HHOOK hook_ = nullptr;
    std::mutex endLock_;
    std::condition_variable endSignal_;
    bool ended_ = false; // guarded by endLock_
};

TEST_F(SelectProcessorDialogTest, ListsEveryEntryInOrderAndSwitchesToTheChosenRow)
{
    const INT_PTR result = Run(
        [](HWND dialog)
        {
            ClickRow(dialog, 6);
            ClickButton(dialog, IDOK);
        });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(seen.rows, (std::vector<std::wstring>{L"なし", L"記録", L"作成失敗", L"初期化失敗", L"終了失敗",
                                                    L"同名", L"同名"}));
    EXPECT_EQ(seen.selected, 0);
    EXPECT_EQ(model->GetCurrentProcessorIndex(), 6) << "row 6 is entry 6, the second of two names";
    EXPECT_EQ(window.Drain(), (Ids{TavixCapture::PropertyId::Processor, TavixCapture::PropertyId::Frame}));
}

TEST_F(SelectProcessorDialogTest, OkOnTheCurrentRowOkWithoutARowAndCancelChangeNothing)
{
    model->SelectProcessor(1);
    window.Drain();
    TakeEvents(L"TavixLife.dll");
    EXPECT_EQ(Run([](HWND dialog) { ClickButton(dialog, IDOK); }), IDOK);
    EXPECT_EQ(seen.selected, 1);
    EXPECT_EQ(Run(
                  [](HWND dialog)
                  {
                      SendMessageW(GetDlgItem(dialog, 1005), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
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
    EXPECT_EQ(model->GetCurrentProcessorIndex(), 1);
    EXPECT_EQ(window.Drain(), Ids{});
    EXPECT_EQ(TakeEvents(L"TavixLife.dll"), L"") << "the processor was not made again";
}

TEST_F(SelectProcessorDialogTest, AProcessorThatFailsToStartIsReportedAndNoneStaysSelected)
{
    model->SelectProcessor(1);
    window.Drain();
    const INT_PTR result = Run(
        [this](HWND dialog)
        {
            ClickRow(dialog, 3);
            ClickButton(dialog, IDOK);
            const HWND box = WaitForWindow(L"エラー");
            ASSERT_NE(box, nullptr) << "no error box";
            EnumChildWindows(box, CollectStaticText, reinterpret_cast<LPARAM>(&seen.errorText));
            ClickButton(box, IDOK);
        });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(seen.errorText, Common::Exception(InitializeFailure).Message);
    EXPECT_EQ(model->GetCurrentProcessorIndex(), 0);
    EXPECT_NE(model->GetCurrentProcessor(), nullptr);
    EXPECT_EQ(window.Drain(), (Ids{TavixCapture::PropertyId::Processor, TavixCapture::PropertyId::Frame}));
    // The program runs on, and "なし" is what the next start restores.
    model->SelectProcessor(1);
    EXPECT_EQ(model->GetCurrentProcessorIndex(), 1);
}
