// Common::Convert kernel dispatch: picks the fastest kernel variant this
// processor supports, and the fastest copy (FastCopy.h), once per process.
// The environment variable TAVIX_CPU_DISABLE, a comma-separated list of
// "avx512vbmi", "avx512", "avx2", "sse2" and "erms", turns variants off,
// each with those above it (so the tests can run the slower paths on any
// machine): "avx512vbmi" leaves AVX-512 BW, "avx512" leaves AVX2, "avx2"
// leaves SSE2, "sse2" (or "avx2,sse2") leaves the scalar reference; "erms"
// turns the `rep movsb` copy off.
// Any thread; the choice is made on first use and never changes.
// Includes no platform header.
#pragma once

#include "Common/capture/convert/FastCopy.h"
#include "Common/capture/convert/RowKernels.h"

namespace Common::Convert
{

// Whether the processor (and operating system) can run a variant, whatever
// the environment switch says.
bool IsKernelVariantSupported(KernelVariant variant);

// The variant chosen for this process from the processor and the switch.
KernelVariant ChooseKernelVariant(const char* disabledList);

// The kernels of one variant, or null when the processor lacks it.
const RowKernels* FindRowKernels(KernelVariant variant);

// The kernels every conversion of this process uses.
const RowKernels& ActiveRowKernels();

// Whether the processor has what a copy method needs (memcpy: always;
// `rep movsb`: the ERMSB flag).
bool IsCopyMethodSupported(CopyMethod method);

// The copy method chosen from the processor and the switch.
CopyMethod ChooseCopyMethod(const char* disabledList);

// The copy method this process uses.
CopyMethod ActiveCopyMethod();

} // namespace Common::Convert
