// Common::Convert::StoreChooser: picks, frame by frame, plain or streaming
// stores for a stream of frames of one shape, by the times recent frames
// took with each. Until both kinds have a few times it alternates in runs of
// RunLength frames, starting with a guess; then it takes the kind whose
// recent times have the lower median (a frame slowed by a thread switch or
// a page fault does not turn it), and every ExploreInterval frames it takes
// the other kind for a run, so that a change in how the cache is shared is
// seen. The first frame of a run is not counted: it pays for the switch (a
// plain frame after streaming ones finds nothing of the image in the cache,
// a streaming one after plain ones first pushes the image out), and counted
// it would make whichever kind is in use look faster than it is. The runs on
// the slower kind cost about RunLength/ExploreInterval of the difference.
// One thread at a time; no allocation. Includes no platform header.
#pragma once

#include "Common/capture/convert/ConvertToBgra.h"

#include <array>
#include <cstdint>

namespace Common::Convert
{

class StoreChooser
{
public:
    static constexpr int TimesKept = 5;
    static constexpr std::uint32_t RunLength = 3;
    static constexpr std::uint32_t ExploreInterval = 64;

    // Starts over with nothing measured (frames of another shape); the first
    // frame takes `guess`.
    void Restart(StoreKind guess);

    // The kind for the next frame.
    StoreKind Choose();

    // The time the frame just chosen for took (any unit, the same always).
    void Record(std::int64_t time);

private:
    struct Times
    {
        std::array<std::int64_t, TimesKept> recent = {};
        int count = 0;
        int next = 0;

        std::int64_t Median() const;
    };

    static StoreKind Other(StoreKind kind);
    Times& TimesOf(StoreKind kind) { return times_[static_cast<int>(kind)]; }

    std::array<Times, 2> times_ = {};
    StoreKind guess_ = StoreKind::Plain;
    StoreKind chosen_ = StoreKind::Plain;
    bool counted_ = false;
    std::uint32_t frames_ = 0;
};

} // namespace Common::Convert
