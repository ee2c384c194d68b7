#include "app/SlotQueue.h"

namespace TavixCapture
{

void SlotQueue::Reset(std::size_t count)
{
    // Both hold every index at most once, so neither grows past `count`.
    waiting_.assign(count, 0);
    free_.clear();
    free_.reserve(count);
    for (std::size_t i = count; i > 0; --i)
    {
        free_.push_back(i - 1); // buffer 0 is taken first
    }
    waitingFirst_ = 0;
    waitingCount_ = 0;
}

void SlotQueue::Clear() noexcept
{
    free_.clear();
    waitingFirst_ = 0;
    waitingCount_ = 0;
}

std::size_t SlotQueue::TakeFree() noexcept
{
    const std::size_t index = free_.back();
    free_.pop_back();
    return index;
}

void SlotQueue::GiveBack(std::size_t index) noexcept
{
    free_.push_back(index); // within the capacity Reset reserved
}

void SlotQueue::Queue(std::size_t index) noexcept
{
    waiting_[(waitingFirst_ + waitingCount_) % waiting_.size()] = index;
    ++waitingCount_;
}

std::size_t SlotQueue::TakeWaiting() noexcept
{
    const std::size_t index = waiting_[waitingFirst_];
    waitingFirst_ = (waitingFirst_ + 1) % waiting_.size();
    --waitingCount_;
    return index;
}

} // namespace TavixCapture
