#include "CpuFeatures.h"

#include <cctype>
#include <cstdlib>
#include <string>

#if defined(_MSC_VER)
#include <immintrin.h>
#include <intrin.h>
#endif

namespace TavixMeasure
{

namespace
{

bool ProcessorHasAvx2()
{
#if defined(_MSC_VER)
    int registers[4] = {};
    __cpuid(registers, 0);
    if (registers[0] < 7)
    {
        return false;
    }
    __cpuid(registers, 1);
    const bool saved = (registers[2] & (1 << 27)) != 0 && (_xgetbv(0) & 0x6) == 0x6;
    __cpuidex(registers, 7, 0);
    return saved && (registers[1] & (1 << 5)) != 0;
#elif defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
#else
    return false;
#endif
}

} // namespace

bool UseAvx2()
{
    static const bool use = []
    {
        if (const char* disabled = std::getenv("TAVIX_CPU_DISABLE"))
        {
            std::string list(disabled);
            for (char& c : list)
            {
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            }
            if (list.find("avx2") != std::string::npos || list.find("sse2") != std::string::npos)
            {
                return false;
            }
        }
        return ProcessorHasAvx2();
    }();
    return use;
}

} // namespace TavixMeasure
