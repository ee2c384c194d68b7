// Tavix::Framework::CallGuarded: the catch-all at the end of every call that
// crosses the plug-in boundary. C++ exceptions never cross it: a
// Common::Exception becomes its HRESULT, an allocation failure E_OUTOFMEMORY,
// anything else E_FAIL. Any thread.
#pragma once

#include "Common/Exception.h"

#include <new>
#include <utility>

namespace Tavix::Framework
{

template <class Function> HRESULT CallGuarded(Function&& function) noexcept
{
    try
    {
        return std::forward<Function>(function)();
    }
    catch (const Common::Exception& error)
    {
        return FAILED(error.ErrorCode) ? error.ErrorCode : E_FAIL;
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
    catch (...)
    {
        return E_FAIL;
    }
}

} // namespace Tavix::Framework
