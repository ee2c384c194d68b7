#include "framework/ProcessorFactory.h"

#include "framework/CallGuarded.h"

#include <cstring>

namespace Tavix::Framework
{

HRESULT ProcessorFactory::Create(std::vector<Entry> entries, IProcessorFactory** factory) noexcept
{
    if (factory == nullptr)
    {
        return E_POINTER;
    }
    *factory = nullptr;
    return CallGuarded(
        [&]
        {
            *factory = new ProcessorFactory(std::move(entries));
            return S_OK;
        });
}

ProcessorFactory::ProcessorFactory(std::vector<Entry> entries) : entries_(std::move(entries)) {}

HRESULT ProcessorFactory::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
    {
        return E_POINTER;
    }
    *object = nullptr;
    if (std::memcmp(&iid, &IID_IUnknown, sizeof(IID)) != 0 &&
        std::memcmp(&iid, &IID_IProcessorFactory, sizeof(IID)) != 0)
    {
        return E_NOINTERFACE;
    }
    *object = static_cast<IProcessorFactory*>(this);
    AddRef();
    return S_OK;
}

ULONG ProcessorFactory::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&referenceCount_));
}

ULONG ProcessorFactory::Release()
{
    const LONG count = InterlockedDecrement(&referenceCount_);
    if (count == 0)
    {
        delete this;
    }
    return static_cast<ULONG>(count);
}

bool ProcessorFactory::IsValid(INT32 index) const noexcept
{
    return index >= 0 && static_cast<std::size_t>(index) < entries_.size();
}

HRESULT ProcessorFactory::GetProcessorCount(INT32* count)
{
    if (count == nullptr)
    {
        return E_POINTER;
    }
    *count = static_cast<INT32>(entries_.size());
    return S_OK;
}

HRESULT ProcessorFactory::GetProcessorName(INT32 index, std::wstring& name)
{
    if (!IsValid(index))
    {
        return E_INVALIDARG;
    }
    return CallGuarded(
        [&]
        {
            name = entries_[static_cast<std::size_t>(index)].name;
            return S_OK;
        });
}

HRESULT ProcessorFactory::CreateProcessor(INT32 index, IProcessor** processor)
{
    if (processor == nullptr)
    {
        return E_POINTER;
    }
    *processor = nullptr;
    if (!IsValid(index))
    {
        return E_INVALIDARG;
    }
    return CallGuarded(
        [&]
        {
            *processor = entries_[static_cast<std::size_t>(index)].create();
            return *processor != nullptr ? S_OK : E_FAIL;
        });
}

} // namespace Tavix::Framework
