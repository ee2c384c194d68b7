// Common::Convert::FrameConverter: converts the frames of one stream (a
// camera's, a decoder's) with one kernel variant, and for each frame chooses
// plain or streaming stores by measuring (StoreChooser): which is faster
// depends on the size of the processor's cache and on how much of it other
// work takes at the time, so no fixed frame size is right on every machine.
// It starts from the size rule (ConvertToBgra.h) and times each frame with
// the steady clock; layouts without streaming kernels are converted plainly
// and not timed. Every choice writes the same pixels. Only the conversion is
// timed, not the frame's next reader: where streaming converts faster the
// frame would not have stayed in the cache for that reader either.
// One thread at a time (the stream's delivery thread); no allocation.
// Includes no platform header.
#pragma once

#include "Common/capture/convert/ConvertToBgra.h"
#include "Common/capture/convert/StoreChooser.h"

#include <cstdint>

namespace Common::Convert
{

class FrameConverter
{
public:
    explicit FrameConverter(const RowKernels& kernels) : kernels_(kernels) {}

    void Convert(const SourceImage& source, const BgraImage& destination);

    const RowKernels& GetKernels() const { return kernels_; }

private:
    // What makes two frames alike for the stores: what is converted and
    // where it lies.
    struct Shape
    {
        SourceLayout layout = SourceLayout::RGB32;
        std::int32_t width = 0;
        std::int32_t height = 0;
        std::int32_t sourceStride = 0;
        std::int32_t destinationWidth = 0;
        std::int32_t destinationHeight = 0;
        std::int32_t destinationStride = 0;

        bool operator==(const Shape&) const = default;
    };

    const RowKernels& kernels_;
    StoreChooser chooser_;
    Shape shape_;
};

} // namespace Common::Convert
