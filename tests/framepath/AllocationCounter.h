// AllocationCounter: this test executable replaces the global operator new
// and delete and counts every allocation made through them, apart on the
// thread that started counting (the test's UI thread) and on every other
// thread (the capture platform's delivery threads). Plain C++ allocation of
// the program's code goes through them; libraries of their own (the
// platform, the virtual camera's module) have their own heaps.
#pragma once

#include <cstdint>

namespace AllocationCounter
{

// Remembers the calling thread as the UI thread.
void SetUiThread();
std::int64_t OnUiThread();
std::int64_t OnOtherThreads();

} // namespace AllocationCounter
