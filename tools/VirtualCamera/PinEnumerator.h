// VirtualCamera::PinEnumerator: IEnumPins over the camera's one pin.
// Used by one caller at a time, as DirectShow enumerators are.
#pragma once

#include "Common/ComPointer.h"

#include <strmif.h>

#include <atomic>

namespace VirtualCamera
{

class PinEnumerator final : public IEnumPins
{
public:
    PinEnumerator(Common::ComPointer<IPin> pin, ULONG position);
    ~PinEnumerator();
    PinEnumerator(const PinEnumerator&) = delete;
    PinEnumerator& operator=(const PinEnumerator&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** result) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP Next(ULONG count, IPin** pins, ULONG* fetched) override;
    STDMETHODIMP Skip(ULONG count) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumPins** clone) override;

private:
    std::atomic<ULONG> references_{1};
    Common::ComPointer<IPin> pin_;
    ULONG position_;
};

} // namespace VirtualCamera
