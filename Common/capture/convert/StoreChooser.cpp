#include "Common/capture/convert/StoreChooser.h"

#include <algorithm>

namespace Common::Convert
{

std::int64_t StoreChooser::Times::Median() const
{
    // Insertion sort of at most TimesKept times.
    std::array<std::int64_t, TimesKept> sorted = {};
    const int kept = std::min(count, TimesKept);
    for (int i = 0; i < kept; ++i)
    {
        int j = i;
        for (; j > 0 && sorted[j - 1] > recent[i]; --j)
        {
            sorted[j] = sorted[j - 1];
        }
        sorted[j] = recent[i];
    }
    return sorted[kept / 2];
}

StoreKind StoreChooser::Other(StoreKind kind)
{
    return kind == StoreKind::Plain ? StoreKind::Streaming : StoreKind::Plain;
}

void StoreChooser::Restart(StoreKind guess)
{
    times_ = {};
    guess_ = guess;
    chosen_ = guess;
    counted_ = false;
    frames_ = 0;
}

StoreKind StoreChooser::Choose()
{
    const std::uint32_t frame = frames_++;
    // A median needs a majority of the kept times.
    constexpr int enough = TimesKept / 2 + 1;
    StoreKind kind = guess_;
    if (TimesOf(StoreKind::Plain).count < enough || TimesOf(StoreKind::Streaming).count < enough)
    {
        kind = frame / RunLength % 2 == 0 ? guess_ : Other(guess_);
    }
    else
    {
        const std::int64_t guessed = TimesOf(guess_).Median();
        const std::int64_t other = TimesOf(Other(guess_)).Median();
        const StoreKind faster = other < guessed ? Other(guess_) : guess_;
        kind = frame % ExploreInterval < RunLength ? Other(faster) : faster;
    }
    // Only a frame that follows one of its own kind is timed.
    counted_ = frame > 0 && kind == chosen_;
    chosen_ = kind;
    return kind;
}

void StoreChooser::Record(std::int64_t time)
{
    if (!counted_)
    {
        return;
    }
    Times& times = TimesOf(chosen_);
    times.recent[static_cast<std::size_t>(times.next)] = time;
    times.next = (times.next + 1) % TimesKept;
    times.count = std::min(times.count + 1, TimesKept);
}

} // namespace Common::Convert
