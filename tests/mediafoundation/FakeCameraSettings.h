// FakeCameraSettings: IAMVideoProcAmp or IAMCameraControl of a test camera's
// media source (the two have the same three calls), over a table of settings
// that the camera's setup starts it with. Any thread; mutex_ guards the table.
#pragma once

#include <strmif.h>
#include <vfwmsgs.h>

#include <map>
#include <mutex>

namespace MediaFoundationTests
{

struct FakeCameraSetting
{
    LONG minimum = 0, maximum = 0, step = 1, defaultValue = 0, caps = 2; // 2: manual only
    LONG value = 0, flags = 2;
};
using FakeCameraSettingTable = std::map<LONG, FakeCameraSetting>;

template <class Interface> class FakeCameraSettings : public Interface
{
public:
    HRESULT STDMETHODCALLTYPE GetRange(LONG property, LONG* minimum, LONG* maximum, LONG* step,
                                       LONG* defaultValue, LONG* caps) override
    {
        std::lock_guard lock(mutex_);
        const auto found = table_.find(property);
        if (found == table_.end())
        {
            return E_PROP_ID_UNSUPPORTED;
        }
        *minimum = found->second.minimum;
        *maximum = found->second.maximum;
        *step = found->second.step;
        *defaultValue = found->second.defaultValue;
        *caps = found->second.caps;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Set(LONG property, LONG value, LONG flags) override
    {
        std::lock_guard lock(mutex_);
        const auto found = table_.find(property);
        if (found == table_.end())
        {
            return E_PROP_ID_UNSUPPORTED;
        }
        if (value < found->second.minimum || value > found->second.maximum ||
            (flags & found->second.caps) == 0)
        {
            return E_INVALIDARG;
        }
        found->second.value = value;
        found->second.flags = flags;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Get(LONG property, LONG* value, LONG* flags) override
    {
        std::lock_guard lock(mutex_);
        const auto found = table_.find(property);
        if (found == table_.end())
        {
            return E_PROP_ID_UNSUPPORTED;
        }
        *value = found->second.value;
        *flags = found->second.flags;
        return S_OK;
    }

protected:
    virtual ~FakeCameraSettings() = default;
    void Fill(const FakeCameraSettingTable& table)
    {
        std::lock_guard lock(mutex_);
        table_ = table;
    }

private:
    std::mutex mutex_;
    FakeCameraSettingTable table_; // guarded by mutex_
};

} // namespace MediaFoundationTests
