// VirtualCamera::PinEnumerator: IEnumPins over the pins of the filter (the
// camera has one). One caller at a time.
#pragma once

#include "Common/ComPointer.h"
#include "Enumerator.h"

#include <strmif.h>

namespace VirtualCamera
{

struct PinItems
{
    using Interface = IEnumPins;
    using Item = IPin*;
    using Source = Common::ComPointer<IPin>;
    static constexpr const IID& Id = IID_IEnumPins;

    static HRESULT Copy(const Common::ComPointer<IPin>& pin, IPin** result)
    {
        *result = pin.Get();
        (*result)->AddRef();
        return S_OK;
    }
};

using PinEnumerator = Enumerator<PinItems>;

} // namespace VirtualCamera
