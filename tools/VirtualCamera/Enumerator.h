// VirtualCamera::Enumerator: a DirectShow enumerator (IEnumPins,
// IEnumMediaTypes) over a snapshot of the sources it was made with. Next
// hands out what Items::Copy makes of each source and stops at the first it
// cannot make; Skip past the end stops at the end and answers S_FALSE; Clone
// carries the position over.
//
// Items gives Interface (the enumerator interface), Id (its IID), Item (what
// Next hands out), Source (what is kept) and
// `static HRESULT Copy(const Source&, Item*)`.
//
// Used by one caller at a time, as DirectShow enumerators are.
#pragma once

#include "ComObject.h"

#include <cstddef>
#include <new>
#include <utility>
#include <vector>

namespace VirtualCamera
{

template <typename Items>
class Enumerator final : public ComObject<ComInterface<typename Items::Interface, Items::Id>>
{
public:
    using Interface = typename Items::Interface;
    using Item = typename Items::Item;
    using Source = typename Items::Source;

    Enumerator(std::vector<Source> sources, ULONG position)
        : sources_(std::move(sources)), position_(position)
    {
    }

    STDMETHODIMP Next(ULONG count, Item* items, ULONG* fetched) override
    {
        if (items == nullptr || (count > 1 && fetched == nullptr))
        {
            return E_POINTER;
        }
        ULONG given = 0;
        while (given < count && position_ < sources_.size())
        {
            const HRESULT hr = Items::Copy(sources_[position_], &items[given]);
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

    STDMETHODIMP Skip(ULONG count) override
    {
        const std::size_t next = position_ + static_cast<std::size_t>(count);
        position_ = static_cast<ULONG>(next > sources_.size() ? sources_.size() : next);
        return next <= sources_.size() ? S_OK : S_FALSE;
    }

    STDMETHODIMP Reset() override
    {
        position_ = 0;
        return S_OK;
    }

    STDMETHODIMP Clone(Interface** clone) override
    {
        if (clone == nullptr)
        {
            return E_POINTER;
        }
        *clone = new (std::nothrow) Enumerator(sources_, position_);
        return *clone != nullptr ? S_OK : E_OUTOFMEMORY;
    }

private:
    std::vector<Source> sources_;
    ULONG position_;
};

} // namespace VirtualCamera
