// How the window layer shows errors that leave handlers: real windows whose
// handlers fail, real error boxes answered as a person does.
#include "support/Desktop.h"
#include "support/ErrorBoxWatcher.h"

#include "Common/Exception.h"
#include "Common/ui/ErrorReporter.h"
#include "Common/ui/Window.h"
#include "app/ErrorBox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace TestSupport;
using Common::Mfc::ErrorReporter;

namespace
{
constexpr UINT FailA = WM_APP + 5;
constexpr UINT FailB = WM_APP + 6;

// A window whose handler fails on every FailA and FailB message.
class FailingWindow : public Common::Mfc::Window
{
public:
    FailingWindow() { CreateEx(0, L"TavixFailingWindow", L"", WS_POPUP, RECT{0, 0, 10, 10}, nullptr, 0); }
    ~FailingWindow() override { DestroyWindow(); }
    bool inHandler = false;

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        if (message == FailA || message == FailB)
        {
            inHandler = true;
            struct Leave
            {
                bool& flag;
                ~Leave() { flag = false; }
            } leave{inHandler};
            throw Common::Exception(message == FailA ? L"描画できません。" : L"別のエラー");
        }
        return Window::OnMessage(message, wParam, lParam, result);
    }
};
} // namespace

TEST(ErrorReporter, AHandlerFailingOnEveryMessageGivesOneBoxShownFromTheLoopNeverInsideAnother)
{
    FailingWindow window;
    const ErrorBoxWatcher person;
    int depth = 0;
    int deepest = 0;
    bool fromHandler = false;
    bool first = true;
    ErrorReporter::SetPresenter(
        [&](HWND owner, const std::exception_ptr& error)
        {
            fromHandler = fromHandler || window.inHandler;
            deepest = std::max(deepest, ++depth);
            if (first)
            {
                // While this box is open: the same failure again, and another one.
                first = false;
                for (int i = 0; i < 5; ++i)
                {
                    PostMessageW(window.GetSafeHwnd(), FailA, 0, 0);
                }
                PostMessageW(window.GetSafeHwnd(), FailB, 0, 0);
            }
            TavixCapture::ErrorBox::Show(owner, error, false);
            --depth;
        });
    const ErrorReporter::Counts before = ErrorReporter::GetCounts();
    for (int i = 0; i < 20; ++i)
    {
        PostMessageW(window.GetSafeHwnd(), FailA, 0, 0);
    }
    EXPECT_TRUE(PumpUntil([&] { return person.Texts().size() == 2 && !ErrorReporter::IsShowing(); }, 10000));
    Settle();
    ErrorReporter::SetPresenter(nullptr);

    EXPECT_EQ(person.Texts(), (std::vector<std::wstring>{L"描画できません。", L"別のエラー"}));
    EXPECT_FALSE(fromHandler) << "a box was shown from inside the failing handler";
    EXPECT_EQ(deepest, 1) << "a box opened inside another box's loop";
    const ErrorReporter::Counts after = ErrorReporter::GetCounts();
    EXPECT_EQ(after.shown - before.shown, 2u);
    EXPECT_EQ(after.repeated - before.repeated, 24u) << "19 + 5 repeats counted into the open box";
}
