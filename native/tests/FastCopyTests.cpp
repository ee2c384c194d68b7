// The copy of the same-layout conversion, with every method this processor
// has: exactly the bytes asked for, from any alignment, nothing read past
// the source (it ends at an inaccessible page) and nothing written around
// the destination.
#include "KernelTestSupport.h"

#include <gtest/gtest.h>

namespace ConvertTests
{
namespace
{

using Common::Convert::CopyBytes;
using Common::Convert::CopyMethod;
using Common::Convert::IsCopyMethodSupported;

TEST(FastCopy, EveryMethodCopiesExactlyTheBytesAskedFor)
{
    constexpr std::uint8_t Guard = 0xA5;
    int methods = 0;
    for (CopyMethod method : {CopyMethod::Memcpy, CopyMethod::RepMovsb})
    {
        if (!IsCopyMethodSupported(method))
        {
            continue;
        }
        ++methods;
        for (std::size_t size : {0u, 1u, 3u, 64u, 255u, 256u, 257u, 4099u, 65549u})
        {
            for (std::size_t offset : {0u, 1u, 3u})
            {
                GuardedBuffer source(size, GuardedBuffer::AtEnd);
                for (std::size_t i = 0; i < size; ++i)
                {
                    source.data()[i] = static_cast<std::uint8_t>(i * 7 + size + 1);
                }
                std::vector<std::uint8_t> destination(size + 64, Guard);
                CopyBytes(method, destination.data() + 32 + offset, source.data(), size);
                ASSERT_EQ(std::memcmp(destination.data() + 32 + offset, source.data(), size), 0)
                    << static_cast<int>(method) << " size " << size << " offset " << offset;
                for (std::size_t i = 0; i < destination.size(); ++i)
                {
                    if (i < 32 + offset || i >= 32 + offset + size)
                    {
                        ASSERT_EQ(destination[i], Guard) << "byte " << i << " around a copy of " << size;
                    }
                }
            }
        }
    }
    EXPECT_GE(methods, 1);
}

} // namespace
} // namespace ConvertTests
