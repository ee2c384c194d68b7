// The choice between plain and streaming stores: the chooser settles on the
// faster kind, keeps looking at the other one frame in ExploreInterval, is
// not turned by a few slow frames, follows a change in which kind is faster
// (either one getting slower or faster), and starts over with its guess for
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

// Frame times of the two kinds, with a little noise.
struct Machine
{
    std::int64_t plain = 100;
    std::int64_t streaming = 130;
    std::mt19937 random{7};

    std::int64_t Time(StoreKind kind)
    {
        return (kind == StoreKind::Plain ? plain : streaming) + static_cast<std::int64_t>(random() % 10);
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
        chooser.Record(chosen, machine.Time(chosen));
    }
    return taken;
}

// The frames until the chooser has taken `kind` on TimesKept frames in a row.
int FramesUntilSettledOn(StoreChooser& chooser, Machine& machine, StoreKind kind)
{
    int run = 0;
    for (int frame = 1; frame <= 1000; ++frame)
    {
        const StoreKind chosen = chooser.Choose();
        run = chosen == kind ? run + 1 : 0;
        chooser.Record(chosen, machine.Time(chosen));
        if (run == StoreChooser::TimesKept)
        {
            return frame;
        }
    }
    return 1000;
}

TEST(StoreChoice, SettlesOnTheFasterKindAndLooksAtTheOtherNowAndThen)
{
    constexpr int frames = 64 * StoreChooser::ExploreInterval;
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
            EXPECT_EQ(chooser.Choose(), guess);
            chooser.Record(guess, machine.Time(guess));
            // Learning: both kinds are measured before it settles.
            const StoreKind second = chooser.Choose();
            EXPECT_NE(second, guess);
            chooser.Record(second, machine.Time(second));
            RunFrames(chooser, machine, 2 * StoreChooser::TimesKept, slower);
            const int onSlower = RunFrames(chooser, machine, frames, slower);
            EXPECT_EQ(onSlower, frames / static_cast<int>(StoreChooser::ExploreInterval));
        }
    }
}

TEST(StoreChoice, AFewSlowFramesDoNotTurnIt)
{
    Machine machine;
    StoreChooser chooser;
    chooser.Restart(StoreKind::Streaming);
    // Up to the frame after one that looks at streaming.
    RunFrames(chooser, machine, 3 * StoreChooser::ExploreInterval + 1, StoreKind::Plain);
    // Two frames in a row interrupted (a thread switch, page faults).
    for (int i = 0; i < 2; ++i)
    {
        const StoreKind chosen = chooser.Choose();
        ASSERT_EQ(chosen, StoreKind::Plain);
        chooser.Record(chosen, 20 * machine.plain);
    }
    EXPECT_GE(RunFrames(chooser, machine, StoreChooser::ExploreInterval, StoreKind::Plain),
              static_cast<int>(StoreChooser::ExploreInterval) - 1);
}

TEST(StoreChoice, FollowsAChangeInWhichKindIsFaster)
{
    Machine machine;
    StoreChooser chooser;
    chooser.Restart(StoreKind::Plain);
    RunFrames(chooser, machine, 4 * StoreChooser::ExploreInterval, StoreKind::Plain);

    // The kind in use gets slower (its neighbours now fill the cache): seen
    // by the frames themselves.
    machine.plain = 200;
    EXPECT_LE(FramesUntilSettledOn(chooser, machine, StoreKind::Streaming), 2 * StoreChooser::TimesKept);

    // The kind not in use gets faster: seen by the frames that look at it.
    machine.plain = 60;
    EXPECT_LE(FramesUntilSettledOn(chooser, machine, StoreKind::Plain),
              static_cast<int>(StoreChooser::ExploreInterval) * (StoreChooser::TimesKept / 2 + 1) +
                  StoreChooser::TimesKept);
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
    chooser.Record(StoreKind::Plain, machine.Time(StoreKind::Plain));
    EXPECT_LE(FramesUntilSettledOn(chooser, machine, StoreKind::Streaming), 2 * StoreChooser::TimesKept);
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
