#include "Common/capture/mediafoundation/MediaFoundationDeviceCallback.h"

#include <new>

namespace Common
{

HRESULT MediaFoundationDevice::Callback::Create(MediaFoundationDevice* device,
                                                std::shared_ptr<CriticalSection> deviceLock,
                                                Callback** result) noexcept
{
    *result = nullptr;
    UniqueHandle flushed(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!flushed)
    {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    *result = new (std::nothrow) Callback(device, std::move(deviceLock), std::move(flushed));
    return *result != nullptr ? S_OK : E_OUTOFMEMORY;
}

MediaFoundationDevice::Callback::Callback(MediaFoundationDevice* device,
                                          std::shared_ptr<CriticalSection> deviceLock, UniqueHandle flushed)
    : deviceLock_(std::move(deviceLock)), device_(device), flushed_(std::move(flushed))
{
}

HRESULT MediaFoundationDevice::Callback::QueryInterface(REFIID iid, void** result)
{
    if (result == nullptr)
    {
        return E_POINTER;
    }
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IMFSourceReaderCallback))
    {
        *result = static_cast<IMFSourceReaderCallback*>(this);
        AddRef();
        return S_OK;
    }
    *result = nullptr;
    return E_NOINTERFACE;
}

ULONG MediaFoundationDevice::Callback::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&references_));
}

ULONG MediaFoundationDevice::Callback::Release()
{
    const LONG count = InterlockedDecrement(&references_);
    if (count == 0)
    {
        delete this;
    }
    return static_cast<ULONG>(count);
}

HRESULT MediaFoundationDevice::Callback::OnReadSample(HRESULT status, DWORD, DWORD streamFlags, LONGLONG,
                                                      IMFSample* sample)
{
    try
    {
        AutoLock lock(*deviceLock_);
        if (device_ != nullptr)
        {
            device_->OnReadResult(status, streamFlags, sample);
        }
        return S_OK;
    }
    catch (const Exception& error)
    {
        return error.ErrorCode;
    }
    catch (...)
    {
        return E_UNEXPECTED;
    }
}

HRESULT MediaFoundationDevice::Callback::OnFlush(DWORD)
{
    return SetEvent(flushed_.Get()) ? S_OK : HRESULT_FROM_WIN32(GetLastError());
}

HRESULT MediaFoundationDevice::Callback::OnEvent(DWORD, IMFMediaEvent* event)
{
    MediaEventType type = MEUnknown;
    if (event == nullptr || FAILED(event->GetType(&type)) || type != MEVideoCaptureDeviceRemoved)
    {
        return S_OK;
    }
    try
    {
        AutoLock lock(*deviceLock_);
        if (device_ != nullptr)
        {
            device_->OnDeviceRemoved();
        }
        return S_OK;
    }
    catch (const Exception& error)
    {
        return error.ErrorCode;
    }
    catch (...)
    {
        return E_UNEXPECTED;
    }
}

void MediaFoundationDevice::Callback::DetachDevice() noexcept
{
    AutoLock lock(*deviceLock_);
    device_ = nullptr;
}

} // namespace Common
