// Common::DirectShowVideoCapture::DirectShowDevice::Callback: the object the
// sample grabber calls for every sample; it hands the sample to its device.
// It holds a plain pointer to the device, which the device clears (under the
// callback's lock) before it goes: a graph that could not be stopped may go
// on calling SampleCB, which then reaches nothing.
// SampleCB runs on DirectShow's streaming thread; DetachDevice on the UI
// thread. The callback's lock: row 1 of Common/LockOrder.h.
#pragma once

#include "Common/CriticalSection.h"
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
    // The grabber's call for every sample (the device registers for this
    // one, so the grabber copies nothing). Never lets an exception out:
    // failures become the returned HRESULT.
    STDMETHODIMP SampleCB(double sampleTime, IMediaSample* sample) override;
    // The grabber's other mode, with a copy of the sample's bytes; the same.
    STDMETHODIMP BufferCB(double sampleTime, BYTE* buffer, long length) override;

    // Clears the device pointer; waits for a BufferCB under way.
    void DetachDevice() noexcept;

protected:
    virtual ~Callback() = default;

private:
    std::atomic<ULONG> referenceCount_{1};
    CriticalSection lock_;     // row 1 of Common/LockOrder.h
    DirectShowDevice* device_; // guarded by lock_
};

} // namespace Common
