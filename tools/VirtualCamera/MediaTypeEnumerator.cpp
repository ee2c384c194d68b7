#include "MediaTypeEnumerator.h"

#include "Module.h"

namespace VirtualCamera
{

MediaTypeEnumerator::MediaTypeEnumerator(std::vector<CameraFormat> formats, ULONG position)
    : formats_(std::move(formats)), position_(position)
{
    Module::AddReference();
}

MediaTypeEnumerator::~MediaTypeEnumerator()
{
    Module::RemoveReference();
}

STDMETHODIMP MediaTypeEnumerator::QueryInterface(REFIID iid, void** result)
{
    if (result == nullptr)
    {
        return E_POINTER;
    }
    if (iid != IID_IUnknown && iid != IID_IEnumMediaTypes)
    {
        *result = nullptr;
        return E_NOINTERFACE;
    }
    *result = static_cast<IEnumMediaTypes*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) MediaTypeEnumerator::AddRef()
{
    return ++references_;
}

STDMETHODIMP_(ULONG) MediaTypeEnumerator::Release()
{
    const ULONG count = --references_;
    if (count == 0)
    {
        delete this;
    }
    return count;
}

STDMETHODIMP MediaTypeEnumerator::Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched)
{
    if (types == nullptr || (count > 1 && fetched == nullptr))
    {
        return E_POINTER;
    }
    ULONG given = 0;
    while (given < count && position_ < formats_.size())
    {
        const HRESULT hr = formats_[position_].CreateMediaType(&types[given]);
        if (FAILED(hr))
        {
            break;
        }
        ++given;
        ++position_;
    }
    if (fetched != nullptr)
    {
        *fetched = given;
    }
    return given == count ? S_OK : S_FALSE;
}

STDMETHODIMP MediaTypeEnumerator::Skip(ULONG count)
{
    const std::size_t next = position_ + static_cast<std::size_t>(count);
    position_ = static_cast<ULONG>(next > formats_.size() ? formats_.size() : next);
    return next <= formats_.size() ? S_OK : S_FALSE;
}

STDMETHODIMP MediaTypeEnumerator::Reset()
{
    position_ = 0;
    return S_OK;
}

STDMETHODIMP MediaTypeEnumerator::Clone(IEnumMediaTypes** clone)
{
    if (clone == nullptr)
    {
        return E_POINTER;
    }
    *clone = new MediaTypeEnumerator(formats_, position_);
    return S_OK;
}

} // namespace VirtualCamera
