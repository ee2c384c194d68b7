// TestActivate: the activation object of a test capture device. Its
// attributes carry the friendly name and symbolic link; ActivateObject
// creates a TestMediaSource over the setup (one per activation, reused until
// ShutdownObject), or fails with a chosen code. Threads: UI thread of the
// device and the test thread; state guarded by mutex_.
#pragma once

#include "ComObject.h"
#include "TestMediaSource.h"
#include "TestSourceSetup.h"

#include <mfobjects.h>

#include <memory>
#include <mutex>
#include <string>

namespace MediaFoundationTests
{

class TestActivate final : public ComObject<Answers<IMFAttributes, IMFActivate>, IMFActivate>
{
public:
    // An empty name or link leaves that attribute out.
    static Common::ComPointer<TestActivate> Create(const std::wstring& name, const std::wstring& link,
                                                   std::shared_ptr<const TestSourceSetup> setup);

    // Makes later ActivateObject calls fail with `code` (S_OK: succeed again).
    void FailActivation(HRESULT code);
    // The source of the current activation, or empty.
    Common::ComPointer<TestMediaSource> GetSource();
    int GetActivationCount();
    int GetShutdownCount();

    // IMFAttributes (kept in an attribute store of the platform)
    HRESULT STDMETHODCALLTYPE GetItem(REFGUID key, PROPVARIANT* value) override;
    HRESULT STDMETHODCALLTYPE GetItemType(REFGUID key, MF_ATTRIBUTE_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE CompareItem(REFGUID key, REFPROPVARIANT value, BOOL* result) override;
    HRESULT STDMETHODCALLTYPE Compare(IMFAttributes* theirs, MF_ATTRIBUTES_MATCH_TYPE type,
                                      BOOL* result) override;
    HRESULT STDMETHODCALLTYPE GetUINT32(REFGUID key, UINT32* value) override;
    HRESULT STDMETHODCALLTYPE GetUINT64(REFGUID key, UINT64* value) override;
    HRESULT STDMETHODCALLTYPE GetDouble(REFGUID key, double* value) override;
    HRESULT STDMETHODCALLTYPE GetGUID(REFGUID key, GUID* value) override;
    HRESULT STDMETHODCALLTYPE GetStringLength(REFGUID key, UINT32* length) override;
    HRESULT STDMETHODCALLTYPE GetString(REFGUID key, LPWSTR value, UINT32 size, UINT32* length) override;
    HRESULT STDMETHODCALLTYPE GetAllocatedString(REFGUID key, LPWSTR* value, UINT32* length) override;
    HRESULT STDMETHODCALLTYPE GetBlobSize(REFGUID key, UINT32* size) override;
    HRESULT STDMETHODCALLTYPE GetBlob(REFGUID key, UINT8* buffer, UINT32 size, UINT32* length) override;
    HRESULT STDMETHODCALLTYPE GetAllocatedBlob(REFGUID key, UINT8** buffer, UINT32* size) override;
    HRESULT STDMETHODCALLTYPE GetUnknown(REFGUID key, REFIID iid, LPVOID* result) override;
    HRESULT STDMETHODCALLTYPE SetItem(REFGUID key, REFPROPVARIANT value) override;
    HRESULT STDMETHODCALLTYPE DeleteItem(REFGUID key) override;
    HRESULT STDMETHODCALLTYPE DeleteAllItems() override;
    HRESULT STDMETHODCALLTYPE SetUINT32(REFGUID key, UINT32 value) override;
    HRESULT STDMETHODCALLTYPE SetUINT64(REFGUID key, UINT64 value) override;
    HRESULT STDMETHODCALLTYPE SetDouble(REFGUID key, double value) override;
    HRESULT STDMETHODCALLTYPE SetGUID(REFGUID key, REFGUID value) override;
    HRESULT STDMETHODCALLTYPE SetString(REFGUID key, LPCWSTR value) override;
    HRESULT STDMETHODCALLTYPE SetBlob(REFGUID key, const UINT8* buffer, UINT32 size) override;
    HRESULT STDMETHODCALLTYPE SetUnknown(REFGUID key, IUnknown* value) override;
    HRESULT STDMETHODCALLTYPE LockStore() override;
    HRESULT STDMETHODCALLTYPE UnlockStore() override;
    HRESULT STDMETHODCALLTYPE GetCount(UINT32* count) override;
    HRESULT STDMETHODCALLTYPE GetItemByIndex(UINT32 index, GUID* key, PROPVARIANT* value) override;
    HRESULT STDMETHODCALLTYPE CopyAllItems(IMFAttributes* destination) override;

    // IMFActivate
    HRESULT STDMETHODCALLTYPE ActivateObject(REFIID iid, void** result) override;
    HRESULT STDMETHODCALLTYPE ShutdownObject() override;
    HRESULT STDMETHODCALLTYPE DetachObject() override;

private:
    explicit TestActivate(std::shared_ptr<const TestSourceSetup> setup);
    ~TestActivate();

    Common::ComPointer<IMFAttributes> attributes_;
    const std::shared_ptr<const TestSourceSetup> setup_;
    std::mutex mutex_;
    Common::ComPointer<TestMediaSource> source_; // guarded by mutex_
    HRESULT activationResult_ = S_OK;            // guarded by mutex_
    int activations_ = 0;                        // guarded by mutex_
    int shutdowns_ = 0;                          // guarded by mutex_
};

} // namespace MediaFoundationTests
