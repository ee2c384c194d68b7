// Counters of live test doubles, for leak checks: each double increments its
// counter when constructed and decrements it when destroyed. Any thread.
#pragma once

#include <atomic>

namespace MediaFoundationTests
{

struct LiveObjects
{
    static inline std::atomic<int> sources{0};
    static inline std::atomic<int> streams{0};
    static inline std::atomic<int> activates{0};
    static inline std::atomic<int> buffers{0};
    // Locks taken on test buffers and not yet undone.
    static inline std::atomic<int> bufferLocks{0};
};

} // namespace MediaFoundationTests
