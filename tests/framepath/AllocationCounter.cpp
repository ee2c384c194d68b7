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

void* Allocate(std::size_t size)
{
    Count();
    if (void* memory = std::malloc(size != 0 ? size : 1))
    {
        return memory;
    }
    throw std::bad_alloc();
}

void* AllocateAligned(std::size_t size, std::align_val_t alignment)
{
    Count();
    if (void* memory = _aligned_malloc(size != 0 ? size : 1, static_cast<std::size_t>(alignment)))
    {
        return memory;
    }
    throw std::bad_alloc();
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
    return Allocate(size);
}
void* operator new(std::size_t size, std::align_val_t alignment)
{
    return AllocateAligned(size, alignment);
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
