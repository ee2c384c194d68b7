#include "Common/capture/directshow/DirectShowDeviceCallback.h"

namespace Common
{

DirectShowVideoCapture::DirectShowDevice::Callback::Callback(DirectShowDevice& device) : device_(&device) {}

STDMETHODIMP DirectShowVideoCapture::DirectShowDevice::Callback::QueryInterface(REFIID iid, void** result)
{
    if (result == nullptr)
    {
        return E_POINTER;
    }
    if (iid == IID_IUnknown || iid == IID_ISampleGrabberCB)
    {
        *result = static_cast<ISampleGrabberCB*>(this);
        AddRef();
        return S_OK;
    }
    *result = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) DirectShowVideoCapture::DirectShowDevice::Callback::AddRef()
{
    return ++referenceCount_;
}

STDMETHODIMP_(ULONG) DirectShowVideoCapture::DirectShowDevice::Callback::Release()
{
    const ULONG count = --referenceCount_;
    if (count == 0)
    {
        delete this;
    }
    return count;
}

STDMETHODIMP DirectShowVideoCapture::DirectShowDevice::Callback::SampleCB(double, IMediaSample* sample)
{
    try
    {
        AutoLock lock(lock_);
        if (device_ != nullptr && sample != nullptr)
        {
            device_->OnSample(*sample);
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

STDMETHODIMP DirectShowVideoCapture::DirectShowDevice::Callback::BufferCB(double, BYTE* buffer, long length)
{
    try
    {
        AutoLock lock(lock_);
        if (device_ != nullptr)
        {
            device_->OnBuffer(buffer, length);
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

void DirectShowVideoCapture::DirectShowDevice::Callback::DetachDevice() noexcept
{
    AutoLock lock(lock_);
    device_ = nullptr;
}

} // namespace Common
