// The kernel variant a process uses: the processor decides, and the switch
// TAVIX_CPU_DISABLE turns variants off. CTest runs this suite again under
// the switch with TAVIX_EXPECT_VARIANT naming the variant that must remain.
#include "KernelTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace ConvertTests
{
namespace
{

using Common::Convert::ChooseKernelVariant;
using Common::Convert::IsKernelVariantSupported;

KernelVariant Fastest()
{
    if (IsKernelVariantSupported(KernelVariant::Avx512Vbmi))
    {
        return KernelVariant::Avx512Vbmi;
    }
    if (IsKernelVariantSupported(KernelVariant::Avx512))
    {
        return KernelVariant::Avx512;
    }
    return IsKernelVariantSupported(KernelVariant::Avx2) ? KernelVariant::Avx2 : KernelVariant::Sse2;
}

TEST(Dispatch, SwitchTurnsInstructionSetsOff)
{
    EXPECT_EQ(ChooseKernelVariant(nullptr), Fastest());
    EXPECT_EQ(ChooseKernelVariant(""), Fastest());
    EXPECT_EQ(ChooseKernelVariant("avx2"), KernelVariant::Sse2);
    EXPECT_EQ(ChooseKernelVariant("sse2"), KernelVariant::Scalar);
    EXPECT_EQ(ChooseKernelVariant("AVX2, sse2"), KernelVariant::Scalar);
    EXPECT_EQ(ChooseKernelVariant("avx,avx2x"), Fastest());
    if (IsKernelVariantSupported(KernelVariant::Avx512))
    {
        EXPECT_EQ(ChooseKernelVariant("avx512"), KernelVariant::Avx2);
        EXPECT_EQ(ChooseKernelVariant("avx512vbmi"), KernelVariant::Avx512);
    }
}

TEST(Dispatch, SwitchTurnsTheFastStringCopyOff)
{
    using Common::Convert::ChooseCopyMethod;
    using Common::Convert::CopyMethod;
    const CopyMethod fastest = Common::Convert::IsCopyMethodSupported(CopyMethod::RepMovsb)
                                   ? CopyMethod::RepMovsb
                                   : CopyMethod::Memcpy;
    EXPECT_EQ(ChooseCopyMethod(nullptr), fastest);
    EXPECT_EQ(ChooseCopyMethod("avx2, sse2"), fastest);
    EXPECT_EQ(ChooseCopyMethod("sse2,ERMS"), CopyMethod::Memcpy);
    EXPECT_EQ(ChooseCopyMethod("erms"), CopyMethod::Memcpy);
}

TEST(Dispatch, ProcessUsesTheVariantLeftByTheSwitch)
{
    const char* expected = std::getenv("TAVIX_EXPECT_VARIANT");
    const RowKernels& active = Common::Convert::ActiveRowKernels();
    std::printf("conversion kernels in use: %s\n", active.name);
    if (expected != nullptr)
    {
        EXPECT_EQ(std::string(active.name), expected);
    }
    else
    {
        EXPECT_EQ(active.variant, Fastest());
    }
    EXPECT_EQ(&active, &Common::Convert::ActiveRowKernels());

    const bool repMovsb = Common::Convert::ActiveCopyMethod() == Common::Convert::CopyMethod::RepMovsb;
    std::printf("copy: %s\n", repMovsb ? "rep movsb" : "memcpy");
    if (const char* expectedCopy = std::getenv("TAVIX_EXPECT_COPY"))
    {
        EXPECT_EQ(std::string(repMovsb ? "rep movsb" : "memcpy"), expectedCopy);
    }
}

} // namespace
} // namespace ConvertTests
