// Common::DirectShowVideoCapture::DirectShowDevice::Callback: the object the
// sample grabber calls for every sample; it hands the bytes to its device.
// It holds a plain pointer to the device, which detaches it from the grabber
// before releasing it. BufferCB runs on DirectShow's streaming thread.
#pragma once

#include "Common/capture/directshow/DirectShowDevice.h"

#include <atomic>

namespace Common
{

class DirectShowVideoCapture::DirectShowDevice::Callback : public ISampleGrabberCB
{
public:
    explicit Callback(DirectShowDevice& device);
    Callback(const Callback&) = delete;
    Callback& operator=(const Callback&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** result) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP SampleCB(double sampleTime, IMediaSample* sample) override;
    // Never lets an exception out: failures become the returned HRESULT.
    STDMETHODIMP BufferCB(double sampleTime, BYTE* buffer, long length) override;

protected:
    virtual ~Callback() = default;

private:
    std::atomic<ULONG> referenceCount_{1};
    DirectShowDevice* device_;
};

} // namespace Common
