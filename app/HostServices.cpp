#include "app/HostServices.h"

#include "app/IniProfile.h"
#include "app/MainModel.h"
#include "framework/CallGuarded.h"

#include <cstring>

namespace TavixCapture
{

HostServices::HostServices(std::wstring programDirectory, MainModel& model, const IniProfile& profile)
    : programDirectory_(std::move(programDirectory)), model_(model), profile_(profile)
{
}

HRESULT HostServices::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
    {
        return E_POINTER;
    }
    *object = nullptr;
    if (std::memcmp(&iid, &IID_IUnknown, sizeof(IID)) != 0 &&
        std::memcmp(&iid, &Tavix::Framework::IID_IHostServices, sizeof(IID)) != 0)
    {
        return E_NOINTERFACE;
    }
    *object = static_cast<Tavix::Framework::IHostServices*>(this);
    AddRef();
    return S_OK;
}

ULONG HostServices::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&referenceCount_));
}

ULONG HostServices::Release()
{
    const LONG count = InterlockedDecrement(&referenceCount_);
    if (count == 0)
    {
        delete this;
    }
    return static_cast<ULONG>(count);
}

const std::wstring& HostServices::GetDirectory()
{
    return programDirectory_;
}

Common::FrameBuffer* HostServices::GetFrame()
{
    // The device list never changes and the current index changes only
    // while capture is stopped, so this is safe from the delivery thread.
    return &model_.GetCurrentDevice().frame;
}

HRESULT HostServices::UpdateFrame()
{
    return Tavix::Framework::CallGuarded(
        [this]
        {
            model_.Raise(static_cast<std::int32_t>(PropertyId::Frame));
            return S_OK;
        });
}

HRESULT HostServices::Redraw()
{
    // Only marks the preview; a preview that is gone or not yet made is no error.
    if (const HWND preview = model_.GetPreviewWindow())
    {
        static_cast<void>(InvalidateRect(preview, nullptr, TRUE));
    }
    return S_OK;
}

INT32 HostServices::GetProfileInt(const std::wstring& section, const std::wstring& key, INT32 defaultValue)
{
    try
    {
        return profile_.ReadInt(section.c_str(), key.c_str(), defaultValue);
    }
    catch (...)
    {
        return defaultValue;
    }
}

std::wstring HostServices::GetProfileString(const std::wstring& section, const std::wstring& key,
                                            const std::wstring& defaultValue)
{
    try
    {
        return profile_.ReadString(section.c_str(), key.c_str(), defaultValue);
    }
    catch (...)
    {
        // Out of memory for the text: the caller gets its default.
        try
        {
            return defaultValue;
        }
        catch (...)
        {
            return std::wstring();
        }
    }
}

HRESULT HostServices::WriteProfileInt(const std::wstring& section, const std::wstring& key, INT32 value)
{
    const HRESULT result = Tavix::Framework::CallGuarded(
        [&] { return profile_.WriteInt(section.c_str(), key.c_str(), value) ? S_OK : E_FAIL; });
    return SUCCEEDED(result) ? S_OK : E_FAIL;
}

HRESULT HostServices::WriteProfileString(const std::wstring& section, const std::wstring& key,
                                         const std::wstring& value)
{
    const HRESULT result = Tavix::Framework::CallGuarded(
        [&] { return profile_.WriteString(section.c_str(), key.c_str(), value) ? S_OK : E_FAIL; });
    return SUCCEEDED(result) ? S_OK : E_FAIL;
}

} // namespace TavixCapture
