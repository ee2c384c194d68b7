#include "Common/capture/convert/KernelDispatch.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

#if defined(_MSC_VER)
#include <immintrin.h>
#include <intrin.h>
#endif

namespace Common::Convert
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
    const bool osSavesYmm =
        (registers[2] & (1 << 27)) != 0 && (registers[2] & (1 << 28)) != 0 && (_xgetbv(0) & 6) == 6;
    __cpuidex(registers, 7, 0);
    return osSavesYmm && (registers[1] & (1 << 5)) != 0;
#else
    // Checks the CPUID bit and that the system saves the YMM registers.
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
#endif
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
    }
    return false;
}

KernelVariant ChooseKernelVariant(const char* disabledList)
{
    if (ListContains(disabledList, "sse2"))
    {
        return KernelVariant::Scalar;
    }
    if (!ListContains(disabledList, "avx2") && IsKernelVariantSupported(KernelVariant::Avx2))
    {
        return KernelVariant::Avx2;
    }
    return KernelVariant::Sse2;
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
    }
    return nullptr;
}

const RowKernels& ActiveRowKernels()
{
    static const RowKernels& active = *FindRowKernels(ChooseKernelVariant(std::getenv("TAVIX_CPU_DISABLE")));
    return active;
}

} // namespace Common::Convert
