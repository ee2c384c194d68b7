// Whether the measurement core's AVX2 kernels (the files ending in Avx2.cpp,
// the only ones compiled for it) may run: the processor has AVX2 and the
// system saves its registers, unless the environment variable
// TAVIX_CPU_DISABLE names "avx2" or "sse2" (as for the program's
// conversions: so that tests run the plain path on any machine).
// Decided once per process. Any thread.
#pragma once

namespace TavixMeasure
{

bool UseAvx2();

} // namespace TavixMeasure
