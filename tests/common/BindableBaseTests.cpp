// Which notifications reach a window's queue: real posted messages read back
// from real windows. Id 3 is coalesced here, as the model does with its
// frame notifications; id 17 is coalesced too and sent on registration.
#include "Common/Exception.h"
#include "Common/ui/BindableBase.h"

#include <gtest/gtest.h>

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

protected:
    void OnListenerAdded(Common::Mfc::Window* window) override { Notify(window, 17); }
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
        while (PeekMessageW(&message, GetSafeHwnd(), WM_APP, WM_APP, PM_REMOVE))
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
