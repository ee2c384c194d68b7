#include "PinEnumerator.h"

#include "Module.h"

namespace VirtualCamera
{

PinEnumerator::PinEnumerator(Common::ComPointer<IPin> pin, ULONG position)
    : pin_(std::move(pin)), position_(position)
{
    Module::AddReference();
}

PinEnumerator::~PinEnumerator()
{
    Module::RemoveReference();
}

STDMETHODIMP PinEnumerator::QueryInterface(REFIID iid, void** result)
{
    if (result == nullptr)
    {
        return E_POINTER;
    }
    if (iid != IID_IUnknown && iid != IID_IEnumPins)
    {
        *result = nullptr;
        return E_NOINTERFACE;
    }
    *result = static_cast<IEnumPins*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) PinEnumerator::AddRef()
{
    return ++references_;
}

STDMETHODIMP_(ULONG) PinEnumerator::Release()
{
    const ULONG count = --references_;
    if (count == 0)
    {
        delete this;
    }
    return count;
}

STDMETHODIMP PinEnumerator::Next(ULONG count, IPin** pins, ULONG* fetched)
{
    if (pins == nullptr || (count > 1 && fetched == nullptr))
    {
        return E_POINTER;
    }
    ULONG given = 0;
    if (count > 0 && position_ == 0)
    {
        pins[0] = pin_.Get();
        pins[0]->AddRef();
        given = 1;
        position_ = 1;
    }
    if (fetched != nullptr)
    {
        *fetched = given;
    }
    return given == count ? S_OK : S_FALSE;
}

STDMETHODIMP PinEnumerator::Skip(ULONG count)
{
    const ULONG next = position_ + count;
    position_ = next > 1 ? 1 : next;
    return next <= 1 ? S_OK : S_FALSE;
}

STDMETHODIMP PinEnumerator::Reset()
{
    position_ = 0;
    return S_OK;
}

STDMETHODIMP PinEnumerator::Clone(IEnumPins** clone)
{
    if (clone == nullptr)
    {
        return E_POINTER;
    }
    *clone = new PinEnumerator(pin_, position_);
    return S_OK;
}

} // namespace VirtualCamera
