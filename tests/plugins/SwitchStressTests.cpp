// Switching processors while frames arrive: Process never meets a processor
// that is being created, initialised, terminated or released.
#include "PluginFixture.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace
{
// Ends the test program if the test has not finished in time, so that a
// deadlock shows as a failure instead of a hang.
class Watchdog
{
public:
    explicit Watchdog(std::chrono::seconds limit)
        : thread_(
              [this, limit]
              {
                  std::unique_lock<std::mutex> lock(mutex_);
                  if (!condition_.wait_for(lock, limit, [this] { return done_; }))
                  {
                      std::fputs("watchdog: the switch test did not finish in time (deadlock?)\n", stderr);
                      std::fflush(stderr);
                      ExitProcess(3);
                  }
              })
    {
    }
    ~Watchdog()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        condition_.notify_one();
        thread_.join();
    }

private:
    std::mutex mutex_;
    std::condition_variable condition_;
    bool done_ = false; // guarded by mutex_
    std::thread thread_;
};
} // namespace

TEST_F(PluginTest, SwitchingWhileFramesArriveNeverProcessesAHalfSwitchedProcessor)
{
    Install(L"lifecycle", L"TavixLife.dll");
    const auto model = MakeModel();
    const Watchdog watchdog(std::chrono::seconds(120));
    model->StartCapture();

    std::atomic<bool> stop = false;
    std::atomic<long> delivered = 0;
    std::thread delivery(
        [&]
        {
            while (!stop.load())
            {
                camera->DeliverFrame(0xFF336699);
                delivered.fetch_add(1);
            }
        });

    // Recording processors, "同名" 0 and 1 and "なし" in turn; between two
    // switches at least one frame is delivered, so they interleave.
    const std::int32_t order[] = {1, 5, 0, 6, 1, 0};
    constexpr int Switches = 600;
    for (int i = 0; i < Switches; ++i)
    {
        model->SelectProcessor(order[i % std::size(order)]);
        const long seen = delivered.load();
        while (delivered.load() == seen)
        {
            std::this_thread::yield();
        }
    }
    stop.store(true);
    delivery.join();
    model->StopCapture();
    model->SelectProcessor(0);

    const std::wstring events = TakeEvents(L"TavixLife.dll");
    EXPECT_EQ(events.find(L"outside its life"), std::wstring::npos);
    EXPECT_EQ(events.find(L"overlapping"), std::wstring::npos);
    // Every processor made was ended and destroyed, and they saw frames.
    std::size_t created = 0, destroyed = 0, framesSeen = 0;
    for (std::size_t at = 0; (at = events.find(L" created\n", at)) != std::wstring::npos; ++at)
    {
        ++created;
    }
    for (std::size_t at = 0; (at = events.find(L" destroyed after ", at)) != std::wstring::npos; ++at)
    {
        ++destroyed;
        framesSeen += std::stoul(events.substr(at + 17));
    }
    EXPECT_EQ(created, 400u);
    EXPECT_EQ(destroyed, created);
    EXPECT_GE(framesSeen, 400u);
    EXPECT_GT(delivered.load(), Switches);
}
