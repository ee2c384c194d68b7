#include "Module.h"

#include <atomic>

namespace VirtualCamera
{
namespace
{
HMODULE moduleHandle = nullptr;
std::atomic<long> references{0};
} // namespace

void Module::SetHandle(HMODULE handle)
{
    moduleHandle = handle;
}

HMODULE Module::GetHandle()
{
    return moduleHandle;
}

void Module::AddReference()
{
    ++references;
}

void Module::RemoveReference()
{
    --references;
}

bool Module::IsInUse()
{
    return references.load() != 0;
}

} // namespace VirtualCamera
