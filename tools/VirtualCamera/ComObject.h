// VirtualCamera::ComObject: IUnknown for a COM class of this DLL over the
// interfaces it lists (ComInterface entries, the first one also answering
// IUnknown): an interlocked reference count that starts at one for its
// creator and deletes the object at zero, and a module reference for each
// live object, so that DllCanUnloadNow answers no while any exists.
// Any thread.
#pragma once

#include "ComInterface.h"
#include "Module.h"

#include <objbase.h>

#include <atomic>

namespace VirtualCamera
{

template <typename... Entries> class ComObject : public Entries::Type...
{
public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** result) override
    {
        return QueryInterfaces<Entries...>(this, iid, result);
    }

    STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }

    STDMETHODIMP_(ULONG) Release() override
    {
        const ULONG count = --references_;
        if (count == 0)
        {
            delete this;
        }
        return count;
    }

protected:
    ComObject() { Module::AddReference(); }
    virtual ~ComObject() { Module::RemoveReference(); }

private:
    std::atomic<ULONG> references_{1};
};

} // namespace VirtualCamera
