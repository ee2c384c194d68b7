#include "ui/FrameRateMeter.h"

#include <cwchar>
#include <iterator>

namespace TavixCapture
{

FrameRateMeter::FrameRateMeter(std::int64_t frequency) : frequency_(frequency > 0 ? frequency : 1) {}

void FrameRateMeter::Start(std::int64_t counter, std::uint64_t delivered, std::uint64_t shown)
{
    lastCounter_ = counter;
    lastDelivered_ = delivered;
    lastShown_ = shown;
}

bool FrameRateMeter::IsDue(std::int64_t counter) const
{
    return static_cast<double>(counter - lastCounter_) >= MinimumSpan * static_cast<double>(frequency_);
}

bool FrameRateMeter::Update(std::int64_t counter, std::uint64_t delivered, std::uint64_t shown)
{
    if (!IsDue(counter))
    {
        return false;
    }
    const double seconds = static_cast<double>(counter - lastCounter_) / static_cast<double>(frequency_);
    const std::uint64_t newDelivered = delivered - lastDelivered_;
    const std::uint64_t newShown = shown - lastShown_;
    deliveredRate_ = static_cast<double>(newDelivered) / seconds;
    shownRate_ = static_cast<double>(newShown) / seconds;
    Start(counter, delivered, shown);

    wchar_t text[96] = {};
    // One frame short is the timing of the two counts, not a slow preview.
    if (newShown + 1 < newDelivered)
    {
        std::swprintf(text, std::size(text), L"FPS = %f (表示 %.1f)", deliveredRate_, shownRate_);
    }
    else
    {
        std::swprintf(text, std::size(text), L"FPS = %f", deliveredRate_);
    }
    text_ = text;
    return true;
}

} // namespace TavixCapture
