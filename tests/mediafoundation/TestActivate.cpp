#include "TestActivate.h"

#include "LiveObjects.h"

#include <mfapi.h>
#include <mferror.h>

namespace MediaFoundationTests
{

Common::ComPointer<TestActivate> TestActivate::Create(const std::wstring& name, const std::wstring& link,
                                                      std::shared_ptr<const TestSourceSetup> setup)
{
    Common::ComPointer<TestActivate> activate;
    activate.Attach(new TestActivate(std::move(setup)));
    if (!name.empty())
    {
        Common::ThrowIfFailed(activate->SetString(MF_DEVSOURCE_ATTRIBUTE_FRIENDLY_NAME, name.c_str()));
    }
    if (!link.empty())
    {
        Common::ThrowIfFailed(
            activate->SetString(MF_DEVSOURCE_ATTRIBUTE_SOURCE_TYPE_VIDCAP_SYMBOLIC_LINK, link.c_str()));
    }
    return activate;
}

TestActivate::TestActivate(std::shared_ptr<const TestSourceSetup> setup)
    : ComObject(&LiveObjects::activates), setup_(std::move(setup))
{
    Common::ThrowIfFailed(MFCreateAttributes(attributes_.Put(), 4));
}

TestActivate::~TestActivate()
{
    if (source_)
    {
        source_->Shutdown();
    }
}

void TestActivate::FailActivation(HRESULT code)
{
    std::lock_guard lock(mutex_);
    activationResult_ = code;
}

Common::ComPointer<TestMediaSource> TestActivate::GetSource()
{
    std::lock_guard lock(mutex_);
    return source_;
}

int TestActivate::GetActivationCount()
{
    std::lock_guard lock(mutex_);
    return activations_;
}

int TestActivate::GetShutdownCount()
{
    std::lock_guard lock(mutex_);
    return shutdowns_;
}

HRESULT TestActivate::ActivateObject(REFIID iid, void** result)
{
    std::lock_guard lock(mutex_);
    if (FAILED(activationResult_))
    {
        return activationResult_;
    }
    if (!source_)
    {
        try
        {
            source_.Attach(new TestMediaSource(setup_));
        }
        catch (const Common::Exception& error)
        {
            return error.ErrorCode;
        }
    }
    ++activations_;
    return source_->QueryInterface(iid, result);
}

HRESULT TestActivate::ShutdownObject()
{
    std::lock_guard lock(mutex_);
    ++shutdowns_;
    if (source_)
    {
        source_->Shutdown();
        source_.Reset();
    }
    return S_OK;
}

HRESULT TestActivate::DetachObject()
{
    std::lock_guard lock(mutex_);
    source_.Reset();
    return S_OK;
}

HRESULT TestActivate::GetItem(REFGUID key, PROPVARIANT* value)
{
    return attributes_->GetItem(key, value);
}

HRESULT TestActivate::GetItemType(REFGUID key, MF_ATTRIBUTE_TYPE* type)
{
    return attributes_->GetItemType(key, type);
}

HRESULT TestActivate::CompareItem(REFGUID key, REFPROPVARIANT value, BOOL* result)
{
    return attributes_->CompareItem(key, value, result);
}

HRESULT TestActivate::Compare(IMFAttributes* theirs, MF_ATTRIBUTES_MATCH_TYPE type, BOOL* result)
{
    return attributes_->Compare(theirs, type, result);
}

HRESULT TestActivate::GetUINT32(REFGUID key, UINT32* value)
{
    return attributes_->GetUINT32(key, value);
}

HRESULT TestActivate::GetUINT64(REFGUID key, UINT64* value)
{
    return attributes_->GetUINT64(key, value);
}

HRESULT TestActivate::GetDouble(REFGUID key, double* value)
{
    return attributes_->GetDouble(key, value);
}

HRESULT TestActivate::GetGUID(REFGUID key, GUID* value)
{
    return attributes_->GetGUID(key, value);
}

HRESULT TestActivate::GetStringLength(REFGUID key, UINT32* length)
{
    return attributes_->GetStringLength(key, length);
}

HRESULT TestActivate::GetString(REFGUID key, LPWSTR value, UINT32 size, UINT32* length)
{
    return attributes_->GetString(key, value, size, length);
}

HRESULT TestActivate::GetAllocatedString(REFGUID key, LPWSTR* value, UINT32* length)
{
    return attributes_->GetAllocatedString(key, value, length);
}

HRESULT TestActivate::GetBlobSize(REFGUID key, UINT32* size)
{
    return attributes_->GetBlobSize(key, size);
}

HRESULT TestActivate::GetBlob(REFGUID key, UINT8* buffer, UINT32 size, UINT32* length)
{
    return attributes_->GetBlob(key, buffer, size, length);
}

HRESULT TestActivate::GetAllocatedBlob(REFGUID key, UINT8** buffer, UINT32* size)
{
    return attributes_->GetAllocatedBlob(key, buffer, size);
}

HRESULT TestActivate::GetUnknown(REFGUID key, REFIID iid, LPVOID* result)
{
    return attributes_->GetUnknown(key, iid, result);
}

HRESULT TestActivate::SetItem(REFGUID key, REFPROPVARIANT value)
{
    return attributes_->SetItem(key, value);
}

HRESULT TestActivate::DeleteItem(REFGUID key)
{
    return attributes_->DeleteItem(key);
}

HRESULT TestActivate::DeleteAllItems()
{
    return attributes_->DeleteAllItems();
}

HRESULT TestActivate::SetUINT32(REFGUID key, UINT32 value)
{
    return attributes_->SetUINT32(key, value);
}

HRESULT TestActivate::SetUINT64(REFGUID key, UINT64 value)
{
    return attributes_->SetUINT64(key, value);
}

HRESULT TestActivate::SetDouble(REFGUID key, double value)
{
    return attributes_->SetDouble(key, value);
}

HRESULT TestActivate::SetGUID(REFGUID key, REFGUID value)
{
    return attributes_->SetGUID(key, value);
}

HRESULT TestActivate::SetString(REFGUID key, LPCWSTR value)
{
    return attributes_->SetString(key, value);
}

HRESULT TestActivate::SetBlob(REFGUID key, const UINT8* buffer, UINT32 size)
{
    return attributes_->SetBlob(key, buffer, size);
}

HRESULT TestActivate::SetUnknown(REFGUID key, IUnknown* value)
{
    return attributes_->SetUnknown(key, value);
}

HRESULT TestActivate::LockStore()
{
    return attributes_->LockStore();
}

HRESULT TestActivate::UnlockStore()
{
    return attributes_->UnlockStore();
}

HRESULT TestActivate::GetCount(UINT32* count)
{
    return attributes_->GetCount(count);
}

HRESULT TestActivate::GetItemByIndex(UINT32 index, GUID* key, PROPVARIANT* value)
{
    return attributes_->GetItemByIndex(index, key, value);
}

HRESULT TestActivate::CopyAllItems(IMFAttributes* destination)
{
    return attributes_->CopyAllItems(destination);
}

} // namespace MediaFoundationTests
