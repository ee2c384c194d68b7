// The performance counter, the program's clock for frame times and rates.
// QueryPerformanceCounter and QueryPerformanceFrequency always succeed on
// Windows XP and later, so their results need no check. Any thread.
#pragma once

#include <windows.h>

#include <cstdint>

namespace Common
{

// The counter now, in ticks.
inline std::int64_t PerformanceCounter()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// Ticks per second, fixed at system start.
inline std::int64_t PerformanceFrequency()
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart;
}

} // namespace Common
