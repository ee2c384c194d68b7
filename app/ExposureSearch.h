// TavixCapture::ExposureSearch: finds the longest exposure step of a camera
// at which no pixel saturates, by halving the steps still in question: the
// caller sets Current(), looks at a frame taken with it and tells Observe
// whether it saturated. Longer exposure never darkens a picture, so the
// answer is found after about log2(steps + 1) frames (4 for 11 steps).
// Saturation is judged in the whole frame or in one region of it (the one
// the current processor measures).
// Plain value, one thread.
#pragma once

#include "Common/capture/CameraProperty.h"
#include "Common/capture/FrameRegion.h"

#include <cstdint>
#include <optional>

namespace TavixCapture
{

class ExposureSearch
{
public:
    // Over the steps of `exposure` from its minimum to its maximum.
    explicit ExposureSearch(const Common::CameraProperty& exposure);

    // The exposure to look at next; meaningless once Done.
    std::int32_t Current() const { return ValueOf(Middle()); }
    // What the frame taken at Current() showed. True when the search is done.
    bool Observe(bool saturated);
    bool Done() const { return bad_ - good_ <= 1; }
    // Once done: the longest exposure that did not saturate, none when even
    // the shortest did.
    std::optional<std::int32_t> Result() const;
    // The frames looked at so far.
    int Probes() const { return probes_; }

    // True when a pixel of a 32-bit BGRA frame has 255 in blue, green or
    // red: a pixel of `region` where it has one inside the frame, else of
    // the whole frame.
    static bool IsSaturated(const std::uint8_t* pixels, std::int32_t width, std::int32_t height,
                            std::int32_t stride,
                            const std::optional<Common::FrameRegion>& region = std::nullopt);

private:
    std::int32_t Middle() const { return good_ + (bad_ - good_) / 2; }
    std::int32_t ValueOf(std::int32_t index) const { return minimum_ + index * step_; }

    std::int32_t minimum_;
    std::int32_t step_;
    // Step indices: every one up to good_ is known not to saturate, every
    // one from bad_ on to saturate (-1 and the count: nothing known yet).
    std::int32_t good_ = -1;
    std::int32_t bad_;
    int probes_ = 0;
};

} // namespace TavixCapture
