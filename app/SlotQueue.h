// TavixCapture::SlotQueue: the bookkeeping of a fixed set of numbered buffers
// handed from a producer to worker threads: which buffers are free, and which
// wait for a worker in the order they were queued. It holds indices only and
// allocates nothing after Reset. Not locked: its owner guards it with its own
// mutex; a buffer taken out of it belongs to whoever took it.
#pragma once

#include <cstddef>
#include <vector>

namespace TavixCapture
{

class SlotQueue
{
public:
    // Buffers 0 to count - 1 free, none waiting.
    void Reset(std::size_t count);
    // No buffer free and none waiting (the buffers are being given up).
    void Clear() noexcept;

    bool HasFree() const noexcept { return !free_.empty(); }
    bool HasWaiting() const noexcept { return waitingCount_ != 0; }

    // A free buffer's index; only when HasFree().
    std::size_t TakeFree() noexcept;
    // Gives a taken buffer back unqueued, or a worker's finished one.
    void GiveBack(std::size_t index) noexcept;
    // Queues a taken buffer behind those queued before it.
    void Queue(std::size_t index) noexcept;
    // The buffer queued longest ago; only when HasWaiting().
    std::size_t TakeWaiting() noexcept;

private:
    std::vector<std::size_t> free_;
    std::vector<std::size_t> waiting_; // a ring of waitingCount_ indices from waitingFirst_
    std::size_t waitingFirst_ = 0;
    std::size_t waitingCount_ = 0;
};

} // namespace TavixCapture
