#include "Common/capture/convert/FrameConverter.h"

#include <chrono>

namespace Common::Convert
{

void FrameConverter::Convert(const SourceImage& source, const BgraImage& destination)
{
    if (!HasStreamingKernels(kernels_, source.layout))
    {
        ConvertToBgra(kernels_, source, destination, StoreKind::Plain);
        return;
    }
    const Shape shape = {source.layout,     source.width,       source.height,     source.stride,
                         destination.width, destination.height, destination.stride};
    if (!(shape == shape_))
    {
        shape_ = shape;
        chooser_.Restart(SizeRuleStoreKind(kernels_, source, destination));
    }
    const StoreKind stores = chooser_.Choose();
    const auto start = std::chrono::steady_clock::now();
    ConvertToBgra(kernels_, source, destination, stores);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    chooser_.Record(std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count());
}

} // namespace Common::Convert
