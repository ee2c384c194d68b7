#include "Common/capture/convert/KernelDispatch.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

#if defined(_MSC_VER)
#include <immintrin.h>
#include <intrin.h>
#else
#include <cpuid.h>
#endif

namespace Common::Convert
{
namespace
{

#if defined(_MSC_VER)
// The CPUID leaf 7 EBX bits (ECX bits with `inEcx`), and XCR0 showing that
// the system saves the register states.
bool ProcessorHas(int leaf7Bits, unsigned long long savedStates, bool inEcx = false)
{
    int registers[4] = {};
    __cpuid(registers, 0);
    if (registers[0] < 7)
    {
        return false;
    }
    __cpuid(registers, 1);
    const bool osxsave = (registers[2] & (1 << 27)) != 0;
    if (!osxsave || (_xgetbv(0) & savedStates) != savedStates)
    {
        return false;
    }
    __cpuidex(registers, 7, 0);
    return (registers[inEcx ? 2 : 1] & leaf7Bits) == leaf7Bits;
}
#endif

bool ProcessorHasAvx2()
{
#if defined(_MSC_VER)
    return ProcessorHas(1 << 5, 0x6);
#else
    // Checks the CPUID bit and that the system saves the YMM registers.
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
#endif
}

bool ProcessorHasAvx512()
{
#if defined(_MSC_VER)
    return ProcessorHas((1 << 16) | (1 << 30), 0xE6);
#else
    // Likewise for AVX-512 F and BW and the ZMM and mask registers.
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") != 0 && __builtin_cpu_supports("avx512bw") != 0;
#endif
}

bool ProcessorHasAvx512Vbmi()
{
#if defined(_MSC_VER)
    return ProcessorHas(1 << 1, 0xE6, true);
#else
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512vbmi") != 0;
#endif
}

// CPUID leaf 7 (structured extended features): EBX bit 9 is ERMSB, fast
// `rep movsb`. It needs no saved register state.
bool ProcessorHasFastStrings()
{
    unsigned int ebx = 0;
#if defined(_MSC_VER)
    int registers[4] = {};
    __cpuid(registers, 0);
    if (registers[0] < 7)
    {
        return false;
    }
    __cpuidex(registers, 7, 0);
    ebx = static_cast<unsigned int>(registers[1]);
#else
    unsigned int eax = 0, ecx = 0, edx = 0;
    if (__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) == 0)
    {
        return false;
    }
#endif
    return (ebx & (1u << 9)) != 0;
}

bool ListContains(const char* list, std::string_view name)
{
    if (list == nullptr)
    {
        return false;
    }
    std::string_view rest(list);
    while (!rest.empty())
    {
        const std::size_t comma = rest.find(',');
        std::string_view item = rest.substr(0, comma);
        while (!item.empty() && item.front() == ' ')
        {
            item.remove_prefix(1);
        }
        while (!item.empty() && item.back() == ' ')
        {
            item.remove_suffix(1);
        }
        if (item.size() == name.size())
        {
            bool same = true;
            for (std::size_t i = 0; i < item.size(); ++i)
            {
                const char c =
                    item[i] >= 'A' && item[i] <= 'Z' ? static_cast<char>(item[i] - 'A' + 'a') : item[i];
                same = same && c == name[i];
            }
            if (same)
            {
                return true;
            }
        }
        if (comma == std::string_view::npos)
        {
            break;
        }
        rest.remove_prefix(comma + 1);
    }
    return false;
}

} // namespace

bool IsKernelVariantSupported(KernelVariant variant)
{
    switch (variant)
    {
    case KernelVariant::Scalar:
    case KernelVariant::Sse2: // Always present on x64.
        return true;
    case KernelVariant::Avx2:
    {
        static const bool hasAvx2 = ProcessorHasAvx2();
        return hasAvx2;
    }
    case KernelVariant::Avx512:
    {
        static const bool hasAvx512 = ProcessorHasAvx2() && ProcessorHasAvx512();
        return hasAvx512;
    }
    case KernelVariant::Avx512Vbmi:
    {
        static const bool hasVbmi =
            IsKernelVariantSupported(KernelVariant::Avx512) && ProcessorHasAvx512Vbmi();
        return hasVbmi;
    }
    }
    return false;
}

KernelVariant ChooseKernelVariant(const char* disabledList)
{
    if (ListContains(disabledList, "sse2"))
    {
        return KernelVariant::Scalar;
    }
    if (ListContains(disabledList, "avx2"))
    {
        return KernelVariant::Sse2;
    }
    if (!ListContains(disabledList, "avx512"))
    {
        if (!ListContains(disabledList, "avx512vbmi") && IsKernelVariantSupported(KernelVariant::Avx512Vbmi))
        {
            return KernelVariant::Avx512Vbmi;
        }
        if (IsKernelVariantSupported(KernelVariant::Avx512))
        {
            return KernelVariant::Avx512;
        }
    }
    return IsKernelVariantSupported(KernelVariant::Avx2) ? KernelVariant::Avx2 : KernelVariant::Sse2;
}

const RowKernels* FindRowKernels(KernelVariant variant)
{
    if (!IsKernelVariantSupported(variant))
    {
        return nullptr;
    }
    switch (variant)
    {
    case KernelVariant::Scalar:
        return &GetScalarRowKernels();
    case KernelVariant::Sse2:
        return &GetSse2RowKernels();
    case KernelVariant::Avx2:
        return &GetAvx2RowKernels();
    case KernelVariant::Avx512:
        return &GetAvx512RowKernels();
    case KernelVariant::Avx512Vbmi:
        return &GetAvx512VbmiRowKernels();
    }
    return nullptr;
}

const RowKernels& ActiveRowKernels()
{
    static const RowKernels& active = *FindRowKernels(ChooseKernelVariant(std::getenv("TAVIX_CPU_DISABLE")));
    return active;
}

bool IsCopyMethodSupported(CopyMethod method)
{
    if (method == CopyMethod::RepMovsb)
    {
        static const bool hasFastStrings = ProcessorHasFastStrings();
        return hasFastStrings;
    }
    return true;
}

CopyMethod ChooseCopyMethod(const char* disabledList)
{
    return !ListContains(disabledList, "erms") && IsCopyMethodSupported(CopyMethod::RepMovsb)
               ? CopyMethod::RepMovsb
               : CopyMethod::Memcpy;
}

CopyMethod ActiveCopyMethod()
{
    static const CopyMethod active = ChooseCopyMethod(std::getenv("TAVIX_CPU_DISABLE"));
    return active;
}

} // namespace Common::Convert
