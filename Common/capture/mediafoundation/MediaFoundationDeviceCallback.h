// Common::MediaFoundationDevice::Callback: the asynchronous source reader's
// callback of one device. It hands every read result to its device.
//
// Lifetime: reference counted (the device and the platform reader each hold
// references). It shares the device's deviceLock, so that the lock outlives
// the device for as long as the platform may still call back: OnReadSample
// holds it while it looks at the back pointer and runs the device's OnSample,
// and the device clears the back pointer under it when it closes a reader
// and before it is destroyed. After that no read result of that reader
// reaches the device (each reader gets a callback of its own, so a late
// result of a closed reader never mixes with those of a later one).
// Threads: OnReadSample runs on a Media Foundation work-queue thread; the
// device detaches on the UI thread.
#pragma once

#include "Common/CriticalSection.h"
#include "Common/capture/mediafoundation/MediaFoundationDevice.h"

#include <mfreadwrite.h>

#include <memory>

namespace Common
{

class MediaFoundationDevice::Callback final : public IMFSourceReaderCallback
{
public:
    Callback(MediaFoundationDevice* device, std::shared_ptr<CriticalSection> deviceLock);
    Callback(const Callback&) = delete;
    Callback& operator=(const Callback&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** result) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IMFSourceReaderCallback
    HRESULT STDMETHODCALLTYPE OnReadSample(HRESULT status, DWORD streamIndex, DWORD streamFlags,
                                           LONGLONG timestamp, IMFSample* sample) override;
    HRESULT STDMETHODCALLTYPE OnFlush(DWORD streamIndex) override;
    HRESULT STDMETHODCALLTYPE OnEvent(DWORD streamIndex, IMFMediaEvent* event) override;

    // Clears the back pointer under deviceLock; waits for a running OnReadSample.
    void DetachDevice();

    // Callbacks alive in this process (for leak checks).
    static LONG GetLiveCount();

private:
    virtual ~Callback();

    LONG references_ = 1;
    const std::shared_ptr<CriticalSection> deviceLock_;
    MediaFoundationDevice* device_; // guarded by deviceLock_
};

} // namespace Common
