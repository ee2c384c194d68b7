#include "AllocationCounter.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <malloc.h>
#include <new>

namespace
{
std::atomic<DWORD> uiThread = 0;
std::atomic<std::int64_t> uiAllocations = 0;
std::atomic<std::int64_t> otherAllocations = 0;

void Count()
{
    (GetCurrentThreadId() == uiThread.load(std::memory_order_relaxed) ? uiAllocations : otherAllocations)
        .fetch_add(1, std::memory_order_relaxed);
}

// The memory, or std::bad_alloc.
void* Checked(void* memory)
{
    if (memory == nullptr)
    {
        throw std::bad_alloc();
    }
    return memory;
}
} // namespace

namespace AllocationCounter
{
void SetUiThread()
{
    uiThread = GetCurrentThreadId();
}
std::int64_t OnUiThread()
{
    return uiAllocations.load();
}
std::int64_t OnOtherThreads()
{
    return otherAllocations.load();
}
} // namespace AllocationCounter

// The library's array and nothrow forms call these.
void* operator new(std::size_t size)
{
    Count();
    return Checked(std::malloc(size != 0 ? size : 1));
}
void* operator new(std::size_t size, std::align_val_t alignment)
{
    Count();
    return Checked(_aligned_malloc(size != 0 ? size : 1, static_cast<std::size_t>(alignment)));
}
void operator delete(void* memory) noexcept
{
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept
{
    std::free(memory);
}
void operator delete(void* memory, std::align_val_t) noexcept
{
    _aligned_free(memory);
}
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept
{
    _aligned_free(memory);
}
