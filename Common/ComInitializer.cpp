#include "ComInitializer.h"

#include "Exception.h"

#include <objbase.h>

namespace Common
{

ComInitializer::ComInitializer()
{
    const HRESULT hr = CoInitialize(nullptr);
    if (FAILED(hr))
    {
        throw Exception(hr, L"ComInitializer", __LINE__);
    }
}

ComInitializer::~ComInitializer()
{
    CoUninitialize();
}

} // namespace Common
