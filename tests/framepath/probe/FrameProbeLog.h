// FrameProbeLog: what the probe processors of TavixFrameProbe.dll saw and
// what they are told to do. The library keeps one log; the tests load the
// same library and reach it through the export GetFrameProbeLog.
// The delivery thread writes the frame records in Process; the test reads
// them only after capture has stopped. The switches may change any time.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

struct FrameProbeLog
{
    static constexpr int Capacity = 8192;

    // Set by the test.
    std::atomic<int> failEvery;       // n > 0: every n-th Process returns E_FAIL
    std::atomic<std::uint32_t> stamp; // non-zero: Process paints row 0 with it

    // Kept by the processors.
    std::atomic<int> processed;          // Process calls
    std::atomic<int> failed;             // of which answered E_FAIL
    std::atomic<int> withoutHost;        // Process on a processor not initialised or terminated
    std::atomic<int> alive;              // processors created and not yet destroyed
    std::uint32_t firstPixels[Capacity]; // pixel (0, 0) of each frame processed, in order

    void Reset()
    {
        failEvery = 0;
        stamp = 0;
        processed = 0;
        failed = 0;
        withoutHost = 0;
    }
};

using GetFrameProbeLogFunction = FrameProbeLog*(__cdecl*)();
