// TavixCapture::FrameRateMeter: the status bar's frame rate. It counts the
// frames the camera delivered and, beside them, those the preview showed,
// over the measured time between two readings, and gives the pane's text:
// "FPS = 30.000000", or "FPS = 30.000000 (表示 19.8)" while the preview shows
// fewer frames than arrive (software painting, a covered window).
//
// A reading is taken only after most of a second: the window asks both on
// its timer and on frames (timer messages wait behind paints), and a second
// reading right after the first would count no frame and show 0. Pure: the
// caller passes the performance counter and the counts. UI thread.
#pragma once

#include <cstdint>
#include <string>

namespace TavixCapture
{

class FrameRateMeter
{
public:
    // `frequency`: performance-counter ticks a second.
    explicit FrameRateMeter(std::int64_t frequency);

    // Starts measuring at `counter` with the counts so far.
    void Start(std::int64_t counter, std::uint64_t delivered, std::uint64_t shown);
    // Takes a reading when at least MinimumSpan has passed since the last;
    // true when it did (the text changed then).
    bool Update(std::int64_t counter, std::uint64_t delivered, std::uint64_t shown);
    // Whether a reading is due at `counter` (for the caller that asks often).
    bool IsDue(std::int64_t counter) const;

    double GetDeliveredRate() const { return deliveredRate_; }
    double GetShownRate() const { return shownRate_; }
    const std::wstring& GetText() const { return text_; }

    // Readings are at least this far apart, in seconds.
    static constexpr double MinimumSpan = 0.9;

private:
    std::int64_t frequency_;
    std::int64_t lastCounter_ = 0;
    std::uint64_t lastDelivered_ = 0;
    std::uint64_t lastShown_ = 0;
    double deliveredRate_ = 0.0;
    double shownRate_ = 0.0;
    std::wstring text_ = L"FPS = 0";
};

} // namespace TavixCapture
