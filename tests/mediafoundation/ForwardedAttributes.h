// ForwardedAttributes: IMFAttributes answered by an attribute store of the
// platform, for a test double that carries attributes (Base is its
// ComObject). Any thread (the platform's store locks itself).
#pragma once

#include "Common/ComPointer.h"
#include "Common/Exception.h"

#include <mfapi.h>
#include <mfobjects.h>

#include <atomic>

namespace MediaFoundationTests
{

template <typename Base> class ForwardedAttributes : public Base
{
public:
    HRESULT STDMETHODCALLTYPE GetItem(REFGUID key, PROPVARIANT* value) override
    {
        return attributes_->GetItem(key, value);
    }
    HRESULT STDMETHODCALLTYPE GetItemType(REFGUID key, MF_ATTRIBUTE_TYPE* type) override
    {
        return attributes_->GetItemType(key, type);
    }
    HRESULT STDMETHODCALLTYPE CompareItem(REFGUID key, REFPROPVARIANT value, BOOL* result) override
    {
        return attributes_->CompareItem(key, value, result);
    }
    HRESULT STDMETHODCALLTYPE Compare(IMFAttributes* theirs, MF_ATTRIBUTES_MATCH_TYPE type,
                                      BOOL* result) override
    {
        return attributes_->Compare(theirs, type, result);
    }
    HRESULT STDMETHODCALLTYPE GetUINT32(REFGUID key, UINT32* value) override
    {
        return attributes_->GetUINT32(key, value);
    }
    HRESULT STDMETHODCALLTYPE GetUINT64(REFGUID key, UINT64* value) override
    {
        return attributes_->GetUINT64(key, value);
    }
    HRESULT STDMETHODCALLTYPE GetDouble(REFGUID key, double* value) override
    {
        return attributes_->GetDouble(key, value);
    }
    HRESULT STDMETHODCALLTYPE GetGUID(REFGUID key, GUID* value) override
    {
        return attributes_->GetGUID(key, value);
    }
    HRESULT STDMETHODCALLTYPE GetStringLength(REFGUID key, UINT32* length) override
    {
        return attributes_->GetStringLength(key, length);
    }
    HRESULT STDMETHODCALLTYPE GetString(REFGUID key, LPWSTR value, UINT32 size, UINT32* length) override
    {
        return attributes_->GetString(key, value, size, length);
    }
    HRESULT STDMETHODCALLTYPE GetAllocatedString(REFGUID key, LPWSTR* value, UINT32* length) override
    {
        return attributes_->GetAllocatedString(key, value, length);
    }
    HRESULT STDMETHODCALLTYPE GetBlobSize(REFGUID key, UINT32* size) override
    {
        return attributes_->GetBlobSize(key, size);
    }
    HRESULT STDMETHODCALLTYPE GetBlob(REFGUID key, UINT8* buffer, UINT32 size, UINT32* length) override
    {
        return attributes_->GetBlob(key, buffer, size, length);
    }
    HRESULT STDMETHODCALLTYPE GetAllocatedBlob(REFGUID key, UINT8** buffer, UINT32* size) override
    {
        return attributes_->GetAllocatedBlob(key, buffer, size);
    }
    HRESULT STDMETHODCALLTYPE GetUnknown(REFGUID key, REFIID iid, LPVOID* result) override
    {
        return attributes_->GetUnknown(key, iid, result);
    }
    HRESULT STDMETHODCALLTYPE SetItem(REFGUID key, REFPROPVARIANT value) override
    {
        return attributes_->SetItem(key, value);
    }
    HRESULT STDMETHODCALLTYPE DeleteItem(REFGUID key) override { return attributes_->DeleteItem(key); }
    HRESULT STDMETHODCALLTYPE DeleteAllItems() override { return attributes_->DeleteAllItems(); }
    HRESULT STDMETHODCALLTYPE SetUINT32(REFGUID key, UINT32 value) override
    {
        return attributes_->SetUINT32(key, value);
    }
    HRESULT STDMETHODCALLTYPE SetUINT64(REFGUID key, UINT64 value) override
    {
        return attributes_->SetUINT64(key, value);
    }
    HRESULT STDMETHODCALLTYPE SetDouble(REFGUID key, double value) override
    {
        return attributes_->SetDouble(key, value);
    }
    HRESULT STDMETHODCALLTYPE SetGUID(REFGUID key, REFGUID value) override
    {
        return attributes_->SetGUID(key, value);
    }
    HRESULT STDMETHODCALLTYPE SetString(REFGUID key, LPCWSTR value) override
    {
        return attributes_->SetString(key, value);
    }
    HRESULT STDMETHODCALLTYPE SetBlob(REFGUID key, const UINT8* buffer, UINT32 size) override
    {
        return attributes_->SetBlob(key, buffer, size);
    }
    HRESULT STDMETHODCALLTYPE SetUnknown(REFGUID key, IUnknown* value) override
    {
        return attributes_->SetUnknown(key, value);
    }
    HRESULT STDMETHODCALLTYPE LockStore() override { return attributes_->LockStore(); }
    HRESULT STDMETHODCALLTYPE UnlockStore() override { return attributes_->UnlockStore(); }
    HRESULT STDMETHODCALLTYPE GetCount(UINT32* count) override { return attributes_->GetCount(count); }
    HRESULT STDMETHODCALLTYPE GetItemByIndex(UINT32 index, GUID* key, PROPVARIANT* value) override
    {
        return attributes_->GetItemByIndex(index, key, value);
    }
    HRESULT STDMETHODCALLTYPE CopyAllItems(IMFAttributes* destination) override
    {
        return attributes_->CopyAllItems(destination);
    }

protected:
    explicit ForwardedAttributes(std::atomic<int>* live) : Base(live)
    {
        Common::ThrowIfFailed(MFCreateAttributes(attributes_.Put(), 4));
    }

    Common::ComPointer<IMFAttributes> attributes_;
};

} // namespace MediaFoundationTests
