// Common::TaskMemory: owner of a block the platform allocated with the COM
// task allocator (strings and arrays handed out by COM calls); freed with
// CoTaskMemFree when the owner goes.
#pragma once

#include <objbase.h>

#include <memory>

namespace Common
{

struct TaskMemoryFree
{
    void operator()(void* block) const noexcept { CoTaskMemFree(block); }
};

template <class T> using TaskMemory = std::unique_ptr<T, TaskMemoryFree>;

} // namespace Common
