// libFuzzer target of the conversion kernels: random layouts, sizes, strides
// (padded, short, zero, negative), frame sizes and pixel data. The source is
// allocated with exactly RequiredSourceBytes, so AddressSanitizer reports any
// read outside it; the frame is exactly its own size and its untouched area
// is checked; every kernel variant must give the same bytes.
#include "Common/capture/convert/ConvertToBgra.h"
#include "Common/capture/convert/KernelDispatch.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

using namespace Common::Convert;

namespace
{

constexpr std::uint8_t Guard = 0xCD;
constexpr std::uint64_t LargestSource = 4u << 20;

void Fail(const char* what)
{
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const auto layout =
        static_cast<SourceLayout>(input.ConsumeIntegralInRange<int>(0, SourceLayoutCount - 1));
    const int width = input.ConsumeIntegralInRange<int>(-2, 400);
    const int height = input.ConsumeIntegralInRange<int>(-2, 40);
    int stride;
    if (input.ConsumeBool())
    {
        stride = input.ConsumeIntegralInRange<int>(-3000, 3000);
    }
    else
    {
        stride = static_cast<int>(SourceRowBytes(layout, width)) + input.ConsumeIntegralInRange<int>(0, 64);
        if (layout == SourceLayout::NV12 && width > 0)
        {
            stride += width % 2;
        }
        if (input.ConsumeBool())
        {
            stride = -stride;
        }
    }
    const int frameWidth = input.ConsumeIntegralInRange<int>(0, 420);
    const int frameHeight = input.ConsumeIntegralInRange<int>(0, 44);

    const std::uint64_t needed = RequiredSourceBytes(layout, width, height, stride);
    if (needed == std::numeric_limits<std::uint64_t>::max())
    {
        if (layout != SourceLayout::NV12 || stride >= 0)
        {
            Fail("only a bottom-up NV12 source may be impossible to hold");
        }
        return 0;
    }
    if (needed > LargestSource)
    {
        return 0;
    }
    const std::vector<std::uint8_t> pattern = input.ConsumeRemainingBytes<std::uint8_t>();
    std::unique_ptr<std::uint8_t[]> source(new std::uint8_t[needed == 0 ? 1 : needed]);
    for (std::uint64_t i = 0; i < needed; ++i)
    {
        source[i] = pattern.empty() ? static_cast<std::uint8_t>(i * 131) : pattern[i % pattern.size()];
    }
    const std::uint8_t* top = source.get();
    if (stride < 0 && height > 0)
    {
        top += static_cast<std::ptrdiff_t>(height - 1) * -static_cast<std::ptrdiff_t>(stride);
    }

    const std::size_t frameBytes = static_cast<std::size_t>(frameWidth) * frameHeight * 4;
    const int rows = std::min(height, frameHeight);
    const int cols = std::min(width, frameWidth);
    std::vector<std::unique_ptr<std::uint8_t[]>> results;
    for (KernelVariant variant :
         {KernelVariant::Scalar, KernelVariant::Sse2, KernelVariant::Avx2, KernelVariant::Avx512})
    {
        const RowKernels* kernels = FindRowKernels(variant);
        if (kernels == nullptr)
        {
            continue;
        }
        std::unique_ptr<std::uint8_t[]> frame(new std::uint8_t[frameBytes == 0 ? 1 : frameBytes]);
        std::memset(frame.get(), Guard, frameBytes);
        ConvertToBgra(*kernels, layout, needed == 0 ? nullptr : top, width, height, stride,
                      BgraImage{frame.get(), frameWidth, frameHeight, frameWidth * 4});
        for (int y = 0; y < frameHeight; ++y)
        {
            for (int x = 0; x < frameWidth; ++x)
            {
                if (y < rows && x < cols)
                {
                    continue;
                }
                const std::uint8_t* pixel = frame.get() + (static_cast<std::size_t>(y) * frameWidth + x) * 4;
                if (pixel[0] != Guard || pixel[1] != Guard || pixel[2] != Guard || pixel[3] != Guard)
                {
                    Fail("a pixel outside the converted area was written");
                }
            }
        }
        if (!results.empty() && std::memcmp(results.front().get(), frame.get(), frameBytes) != 0)
        {
            Fail("kernel variants differ");
        }
        results.push_back(std::move(frame));
    }
    return 0;
}
