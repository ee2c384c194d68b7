#include "Common/capture/mediafoundation/MediaFoundationDeviceCallback.h"

namespace Common
{

namespace
{

LONG liveCallbacks = 0;

} // namespace

MediaFoundationDevice::Callback::Callback(MediaFoundationDevice* device,
                                          std::shared_ptr<CriticalSection> deviceLock)
    : deviceLock_(std::move(deviceLock)), device_(device)
{
    InterlockedIncrement(&liveCallbacks);
}

MediaFoundationDevice::Callback::~Callback()
{
    InterlockedDecrement(&liveCallbacks);
}

LONG MediaFoundationDevice::Callback::GetLiveCount()
{
    return InterlockedCompareExchange(&liveCallbacks, 0, 0);
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

HRESULT MediaFoundationDevice::Callback::OnReadSample(HRESULT status, DWORD, DWORD, LONGLONG,
                                                      IMFSample* sample)
{
    if (FAILED(status))
    {
        return status;
    }
    try
    {
        AutoLock lock(*deviceLock_);
        if (device_ == nullptr)
        {
            return status;
        }
        device_->OnSample(sample);
        return status;
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
    return S_OK;
}

HRESULT MediaFoundationDevice::Callback::OnEvent(DWORD, IMFMediaEvent*)
{
    return S_OK;
}

void MediaFoundationDevice::Callback::DetachDevice()
{
    AutoLock lock(*deviceLock_);
    device_ = nullptr;
}

} // namespace Common
