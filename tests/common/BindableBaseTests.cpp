// Which notifications reach a window's queue: real posted messages read back
// from real windows. Id 3 is coalesced here, as the model does with its
// frame notifications; id 17 is coalesced too and sent on registration.
#include "Common/Exception.h"
#include "Common/ui/BindableBase.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace
{
using Ids = std::vector<int>;

class Source : public Common::Mfc::BindableBase
{
public:
    Source()
    {
        SetCoalesced(3);
        SetCoalesced(17);
    }
    using BindableBase::SetCoalesced;
    std::uint64_t now = 1000; // the test's clock, in milliseconds

protected:
    void OnListenerAdded(Common::Mfc::Window* window) override { Notify(window, 17); }
    std::uint64_t GetTickMilliseconds() const override { return now; }
};

HWND MakeWindow()
{
    const HWND handle = CreateWindowExW(0, L"STATIC", L"listener", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                        GetModuleHandleW(nullptr), nullptr);
    EXPECT_NE(handle, nullptr) << "no window: is there a display?";
    return handle;
}

class TestWindow : public Common::Mfc::Window
{
public:
    TestWindow() { Attach(MakeWindow()); }
    ~TestWindow() override { ::DestroyWindow(Detach()); }

    // Ids queued for this window from `source`, taken from the queue in order.
    Ids Take(const Source& source)
    {
        Ids ids;
        MSG message;
        const UINT notification = Common::Mfc::Window::GetPropertyChangedMessage();
        while (PeekMessageW(&message, GetSafeHwnd(), notification, notification, PM_REMOVE))
        {
            EXPECT_EQ(reinterpret_cast<const Source*>(message.wParam), &source);
            ids.push_back(static_cast<int>(message.lParam));
        }
        return ids;
    }
};
} // namespace

TEST(BindableBase, ACoalescedIdIsQueuedOnceUntilTheWindowTakesIt)
{
    Source source;
    TestWindow first, second;
    source.AddListener(&first);
    source.AddListener(&second);
    EXPECT_EQ(first.Take(source), Ids{17});
    EXPECT_EQ(second.Take(source), Ids{17});
    // Taken from the queue but not acknowledged yet: still counts as pending.
    for (int i = 0; i < 5; ++i)
    {
        source.Raise(3);
        source.Raise(17);
        source.Raise(5);
    }
    EXPECT_EQ(first.Take(source), (Ids{3, 5, 5, 5, 5, 5}));
    EXPECT_EQ(second.Take(source), (Ids{3, 5, 5, 5, 5, 5}));

    source.AcknowledgeNotification(&first, 3);
    source.AcknowledgeNotification(&first, 5);   // not coalesced: nothing to forget
    source.AcknowledgeNotification(&second, 17); // not the one it took from the queue
    source.AcknowledgeNotification(nullptr, 3);  // not registered
    source.Raise(3);
    source.Raise(17);
    EXPECT_EQ(first.Take(source), Ids{3});
    EXPECT_EQ(second.Take(source), Ids{17});

    // Only ids 0 to 63 can be coalesced.
    EXPECT_THROW(source.SetCoalesced(64), Common::Exception);
    EXPECT_THROW(source.SetCoalesced(-1), Common::Exception);
    EXPECT_NO_THROW(source.SetCoalesced(63));
}

TEST(BindableBase, ARemovedWindowIsForgottenWithWhatWasPendingForIt)
{
    Source source;
    TestWindow window;
    source.AddListener(&window);
    source.Raise(3);
    source.RemoveListener(&window);
    source.Raise(3);
    source.AddListener(&window);
    source.Raise(3);
    EXPECT_EQ(window.Take(source), (Ids{17, 3, 17, 3}));
}

TEST(BindableBase, AFailedPostLeavesNothingPending)
{
    Source source;
    TestWindow window;
    source.AddListener(&window);
    window.Take(source);
    const HWND live = window.Detach();
    const HWND gone = MakeWindow();
    ASSERT_TRUE(DestroyWindow(gone));
    window.Attach(gone);
    source.Raise(3);
    EXPECT_FALSE(source.Notify(&window, 3));
    window.Attach(live);
    EXPECT_TRUE(source.Notify(&window, 3)) << "a lost post must not block the next";
    EXPECT_FALSE(source.Notify(&window, 3));
    EXPECT_EQ(window.Take(source), Ids{3});
}

// A posted message can be lost on its way (a dialog closed by a sent click
// was seen to lose one): a coalesced id then must not stay pending for good.
TEST(BindableBase, ACoalescedIdLostOnItsWayIsPostedAgainAfterAWhile)
{
    Source source;
    TestWindow window;
    source.AddListener(&window);
    window.Take(source);
    source.Raise(3);
    EXPECT_EQ(window.Take(source), Ids{3}); // taken, never acknowledged: as if lost
    source.now += Source::LostAfterMilliseconds - 1;
    source.Raise(3);
    EXPECT_EQ(window.Take(source), Ids{});
    source.now += 1;
    source.Raise(3);
    source.Raise(3);
    EXPECT_EQ(window.Take(source), Ids{3}) << "posted again, once";
}

namespace
{
// A window of its own class, as a plug-in page is, with its own WM_APP message.
class PageWindow : public Common::Mfc::Window
{
public:
    PageWindow() { CreateEx(0, L"TavixTestPage", L"", WS_POPUP, RECT{0, 0, 10, 10}, nullptr, 0); }
    ~PageWindow() override { DestroyWindow(); }
    std::vector<std::pair<WPARAM, LPARAM>> own;
    Ids notified;

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        if (message == WM_APP)
        {
            own.emplace_back(wParam, lParam);
            result = 0;
            return true;
        }
        return Window::OnMessage(message, wParam, lParam, result);
    }
    void OnPropertyChanged(std::int32_t id) override { notified.push_back(id); }
};
} // namespace

TEST(BindableBase, AWindowsOwnAppMessageReachesItsHandlerAndIsNoNotification)
{
    Source source;
    PageWindow page;
    source.AddListener(&page);
    PostMessageW(page.GetSafeHwnd(), WM_APP, 0x1234, 0x5678);
    MSG message;
    while (PeekMessageW(&message, page.GetSafeHwnd(), 0, 0, PM_REMOVE))
    {
        DispatchMessageW(&message);
    }
    EXPECT_EQ(page.notified, Ids{17});
    ASSERT_EQ(page.own.size(), 1u);
    EXPECT_EQ(page.own[0].first, 0x1234u);
    EXPECT_EQ(page.own[0].second, 0x5678);
    source.RemoveListener(&page);
}
