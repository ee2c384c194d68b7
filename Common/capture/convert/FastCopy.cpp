#include "Common/capture/convert/FastCopy.h"

#include "Common/capture/convert/KernelDispatch.h"

#include <cstring>

#if defined(_MSC_VER)
#include <intrin.h>
#endif

namespace Common::Convert
{
namespace
{

// Below this, the start-up cost of `rep movsb` outweighs what it saves.
constexpr std::size_t RepMovsbMinimum = 256;

void RepMovsb(void* destination, const void* source, std::size_t size)
{
#if defined(_MSC_VER)
    __movsb(static_cast<unsigned char*>(destination), static_cast<const unsigned char*>(source), size);
#else
    asm volatile("rep movsb" : "+D"(destination), "+S"(source), "+c"(size) : : "memory");
#endif
}

} // namespace

void CopyBytes(CopyMethod method, void* destination, const void* source, std::size_t size)
{
    if (method == CopyMethod::RepMovsb && size >= RepMovsbMinimum)
    {
        RepMovsb(destination, source, size);
    }
    else if (size != 0)
    {
        std::memcpy(destination, source, size);
    }
}

void CopyBytes(void* destination, const void* source, std::size_t size)
{
    static const CopyMethod method = ActiveCopyMethod();
    CopyBytes(method, destination, source, size);
}

} // namespace Common::Convert
