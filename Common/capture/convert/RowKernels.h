// Common::Convert row kernels: the inner loops of the conversions, one row
// at a time, in one variant per instruction set. Every variant of a kernel
// has the same signature and gives the same bytes as the scalar reference.
//   Packed kernels: convert `count` pixels from `source` into `destination`
//   (4 bytes a pixel, B G R A).
//   NV12 kernel: luma row `luma`, chroma row `chroma` (U V pairs), `count`
//   output pixels.
//   `yuv`: the factors of the source's YUV encoding (YuvEncoding.h); the
//   kernels of the RGB layouts do not read it.
// Kernels read only the source bytes the pixels need (a packed 4:2:2 or NV12
// chroma pair is read whole, also for an odd last pixel) and write exactly
// 4 * count bytes. No allocation, no floating point. Any thread.
// Includes no platform header.
#pragma once

#include "Common/capture/convert/SourceLayout.h"
#include "Common/capture/convert/YuvEncoding.h"

#include <cstdint>

namespace Common::Convert
{

using PackedRowKernel = void (*)(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
                                 const YuvKernelFactors& yuv);
using NV12RowKernel = void (*)(const std::uint8_t* luma, const std::uint8_t* chroma,
                               std::uint8_t* destination, std::int32_t count, const YuvKernelFactors& yuv);

// The instruction sets a kernel is written for, from plain to fastest.
enum class KernelVariant
{
    Scalar,
    Sse2,
    Avx2,
    Avx512,     // AVX-512 F and BW
    Avx512Vbmi, // and VBMI
};

struct RowKernels
{
    KernelVariant variant;
    const char* name;
    // Indexed by SourceLayout; the NV12 entry is null (see nv12).
    PackedRowKernel packed[SourceLayoutCount];
    NV12RowKernel nv12;
    // Kernels that store around the cache, for frames too large to stay in
    // it, or null where the variant has none (the plain ones then serve).
    // They give the same bytes, and end with a store fence.
    PackedRowKernel streamingPacked[SourceLayoutCount];
    NV12RowKernel streamingNv12;
};

// The kernel tables of each variant. They exist whatever the processor;
// only call one the processor supports (see KernelDispatch.h).
const RowKernels& GetScalarRowKernels();
const RowKernels& GetSse2RowKernels();
const RowKernels& GetAvx2RowKernels();
const RowKernels& GetAvx512RowKernels();
const RowKernels& GetAvx512VbmiRowKernels();

} // namespace Common::Convert
