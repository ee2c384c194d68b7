#include "Common/capture/directshow/DirectShowMediaType.h"

#include "Common/Exception.h"

#include <cstring>
#include <utility>

namespace Common
{

DirectShowMediaType::DirectShowMediaType(DirectShowMediaType&& other) noexcept
    : mediaType_(std::exchange(other.mediaType_, nullptr))
{
}

DirectShowMediaType& DirectShowMediaType::operator=(DirectShowMediaType&& other) noexcept
{
    if (this != &other)
    {
        Reset();
        mediaType_ = std::exchange(other.mediaType_, nullptr);
    }
    return *this;
}

DirectShowMediaType::~DirectShowMediaType()
{
    Reset();
}

AM_MEDIA_TYPE** DirectShowMediaType::Put()
{
    if (mediaType_ != nullptr)
    {
        throw Exception(static_cast<HRESULT>(E_UNEXPECTED));
    }
    return &mediaType_;
}

void DirectShowMediaType::Reset() noexcept
{
    if (AM_MEDIA_TYPE* old = std::exchange(mediaType_, nullptr))
    {
        FreeContents(*old);
        CoTaskMemFree(old);
    }
}

AM_MEDIA_TYPE* DirectShowMediaType::Detach() noexcept
{
    return std::exchange(mediaType_, nullptr);
}

HRESULT DirectShowMediaType::CopyInto(const AM_MEDIA_TYPE& source, AM_MEDIA_TYPE& target) noexcept
{
    target = source;
    target.pbFormat = nullptr;
    target.cbFormat = 0;
    if (source.cbFormat != 0 && source.pbFormat != nullptr)
    {
        target.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source.cbFormat));
        if (target.pbFormat == nullptr)
        {
            target.pUnk = nullptr;
            return E_OUTOFMEMORY;
        }
        std::memcpy(target.pbFormat, source.pbFormat, source.cbFormat);
        target.cbFormat = source.cbFormat;
    }
    if (target.pUnk != nullptr)
    {
        target.pUnk->AddRef();
    }
    return S_OK;
}

void DirectShowMediaType::FreeContents(AM_MEDIA_TYPE& mediaType) noexcept
{
    if (mediaType.pbFormat != nullptr)
    {
        CoTaskMemFree(mediaType.pbFormat);
        mediaType.pbFormat = nullptr;
    }
    mediaType.cbFormat = 0;
    if (mediaType.pUnk != nullptr)
    {
        mediaType.pUnk->Release();
        mediaType.pUnk = nullptr;
    }
}

} // namespace Common
