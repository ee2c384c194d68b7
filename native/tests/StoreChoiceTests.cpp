// The choice between plain and streaming stores: the chooser settles on the
// faster kind, keeps looking at the other one a run in ExploreInterval
// frames, is not turned by a few slow frames, follows a change in which kind
// is faster (either one getting slower or faster, also when the first frame
// after a switch of kind is slow, as it is), and starts over with its guess for
// frames of another shape. The frame converter writes the reference pixels
// whichever kind it takes, also when the shape of the frames changes.
#include "KernelTestSupport.h"

#include "Common/capture/convert/FrameConverter.h"
#include "Common/capture/convert/StoreChooser.h"

#include <gtest/gtest.h>

#include <random>

namespace ConvertTests
{
namespace
{

using Common::Convert::FrameConverter;
using Common::Convert::StoreChooser;
using Common::Convert::StoreKind;

// Frame times of the two kinds, with a little noise; the first frame after
// a switch of kind takes `switchCost` longer.
struct Machine
{
    std::int64_t plain = 100;
    std::int64_t streaming = 130;
    std::int64_t switchCost = 0;
    StoreKind previous = StoreKind::Plain;
    std::mt19937 random{7};

    std::int64_t Time(StoreKind kind)
    {
        const std::int64_t time = (kind == StoreKind::Plain ? plain : streaming) +
                                  (kind != previous ? switchCost : 0) +
                                  static_cast<std::int64_t>(random() % 10);
        previous = kind;
        return time;
    }
};

// Runs `frames` frames; returns how many took `kind`.
int RunFrames(StoreChooser& chooser, Machine& machine, int frames, StoreKind kind)
{
    int taken = 0;
    for (int i = 0; i < frames; ++i)
    {
        const StoreKind chosen = chooser.Choose();
        taken += chosen == kind ? 1 : 0;
        chooser.Record(machine.Time(chosen));
    }
    return taken;
}

// Frames enough to see a kind get slower and settle on the other.
constexpr int SettlingFrames = 2 * StoreChooser::TimesKept + 2 * static_cast<int>(StoreChooser::RunLength);

// The frames until the chooser has taken `kind` on TimesKept frames in a row.
int FramesUntilSettledOn(StoreChooser& chooser, Machine& machine, StoreKind kind)
{
    int run = 0;
    for (int frame = 1; frame <= 1000; ++frame)
    {
        const StoreKind chosen = chooser.Choose();
        run = chosen == kind ? run + 1 : 0;
        chooser.Record(machine.Time(chosen));
        if (run == StoreChooser::TimesKept)
        {
            return frame;
        }
    }
    return 1000;
}

TEST(StoreChoice, SettlesOnTheFasterKindAndLooksAtTheOtherNowAndThen)
{
    constexpr int runLength = static_cast<int>(StoreChooser::RunLength);
    constexpr int interval = static_cast<int>(StoreChooser::ExploreInterval);
    for (const StoreKind guess : {StoreKind::Plain, StoreKind::Streaming})
    {
        for (const bool streamingFaster : {false, true})
        {
            SCOPED_TRACE(testing::Message()
                         << "guess " << static_cast<int>(guess) << ", streaming faster " << streamingFaster);
            Machine machine;
            if (streamingFaster)
            {
                std::swap(machine.plain, machine.streaming);
            }
            const StoreKind slower = streamingFaster ? StoreKind::Plain : StoreKind::Streaming;
            StoreChooser chooser;
            chooser.Restart(guess);
            // Learning: a run of the guess, then one of the other kind.
            const StoreKind other = guess == StoreKind::Plain ? StoreKind::Streaming : StoreKind::Plain;
            EXPECT_EQ(RunFrames(chooser, machine, runLength, guess), runLength);
            EXPECT_EQ(RunFrames(chooser, machine, runLength, other), runLength);
            RunFrames(chooser, machine, interval - 2 * runLength, slower);
            // From a frame that starts a run on the slower kind on: one such
            // run in every interval.
            EXPECT_EQ(RunFrames(chooser, machine, 32 * interval, slower), 32 * runLength);
        }
    }
}

TEST(StoreChoice, AFewSlowFramesDoNotTurnIt)
{
    Machine machine;
    StoreChooser chooser;
    chooser.Restart(StoreKind::Streaming);
    // Up to the frame after a run that looks at streaming.
    RunFrames(chooser, machine, 3 * StoreChooser::ExploreInterval + StoreChooser::RunLength,
              StoreKind::Plain);
    // Two frames in a row interrupted (a thread switch, page faults).
    for (int i = 0; i < 2; ++i)
    {
        const StoreKind chosen = chooser.Choose();
        ASSERT_EQ(chosen, StoreKind::Plain);
        chooser.Record(20 * machine.plain);
    }
    EXPECT_GE(RunFrames(chooser, machine, StoreChooser::ExploreInterval, StoreKind::Plain),
              static_cast<int>(StoreChooser::ExploreInterval - StoreChooser::RunLength));
}

TEST(StoreChoice, FollowsAChangeInWhichKindIsFaster)
{
    // The first frame after a switch is slower than the difference: looked
    // at frame by frame, the kind not in use would never look faster.
    Machine machine;
    machine.switchCost = 150;
    StoreChooser chooser;
    chooser.Restart(StoreKind::Plain);
    RunFrames(chooser, machine, 4 * StoreChooser::ExploreInterval, StoreKind::Plain);

    // The kind in use gets slower (its neighbours now fill the cache): seen
    // by the frames themselves.
    machine.plain = 200;
    EXPECT_LE(FramesUntilSettledOn(chooser, machine, StoreKind::Streaming), SettlingFrames);

    // The kind not in use gets faster: seen by the frames that look at it.
    machine.plain = 60;
    EXPECT_LE(FramesUntilSettledOn(chooser, machine, StoreKind::Plain),
              2 * static_cast<int>(StoreChooser::ExploreInterval) + SettlingFrames);
}

TEST(StoreChoice, StartsOverForAnotherShape)
{
    Machine machine;
    StoreChooser chooser;
    chooser.Restart(StoreKind::Plain);
    RunFrames(chooser, machine, 4 * StoreChooser::ExploreInterval, StoreKind::Plain);
    // Times of the old shape must not decide for the new one.
    std::swap(machine.plain, machine.streaming);
    chooser.Restart(StoreKind::Plain);
    EXPECT_EQ(chooser.Choose(), StoreKind::Plain);
    chooser.Record(machine.Time(StoreKind::Plain));
    EXPECT_LE(FramesUntilSettledOn(chooser, machine, StoreKind::Streaming), SettlingFrames);
}

TEST(StoreChoice, FrameConverterWritesTheReferenceWhicheverKindItTakes)
{
    const RowKernels& scalar = Common::Convert::GetScalarRowKernels();
    std::mt19937 random(12);
    for (const RowKernels* kernels : AvailableVariants())
    {
        for (const SourceLayout layout : {SourceLayout::RGB24, SourceLayout::NV12, SourceLayout::YUY2})
        {
            SCOPED_TRACE(testing::Message() << kernels->name << " " << LayoutName(layout));
            FrameConverter converter(*kernels);
            constexpr int width = 328, height = 96;
            std::vector<std::uint8_t> source(static_cast<std::size_t>(width) * 4 * height * 2);
            std::vector<std::uint8_t> frame(static_cast<std::size_t>(width) * 4 * height);
            std::vector<std::uint8_t> expected(frame.size());
            // Enough frames for both kinds, then a frame of another shape (a
            // narrower picture in the same image).
            for (int i = 0; i < 2 * StoreChooser::TimesKept + 2; ++i)
            {
                const int picture = i <= 2 * StoreChooser::TimesKept ? width : width - 8;
                const int stride = static_cast<int>(Common::Convert::SourceRowBytes(layout, width));
                for (auto& byte : source)
                {
                    byte = static_cast<std::uint8_t>(random());
                }
                const Common::Convert::SourceImage image{layout, source.data(), picture, height, stride};
                std::fill(frame.begin(), frame.end(), std::uint8_t{0x5A});
                std::fill(expected.begin(), expected.end(), std::uint8_t{0x5A});
                converter.Convert(image, BgraImage{frame.data(), width, height, width * 4});
                Common::Convert::ConvertToBgra(scalar, image,
                                               BgraImage{expected.data(), width, height, width * 4});
                ASSERT_EQ(frame, expected) << "frame " << i;
            }
        }
    }
}

} // namespace
} // namespace ConvertTests
