// Common::MediaFoundationDevice::Callback: the asynchronous source reader's
// callback of one device. It hands every read result to its device.
//
// Lifetime: reference counted (the device and the platform reader each hold
// references). It shares the device's deviceLock, so that the lock outlives
// the device for as long as the platform may still call back: OnReadSample
// holds it while it looks at the back pointer and runs the device's OnReadResult,
// and the device clears the back pointer under it when it closes a reader
// and before it is destroyed. After that no read result of that reader
// reaches the device (each reader gets a callback of its own, made by Open,
// so a late result of a closed reader never mixes with those of a later one).
// OnFlush signals an event that the release of a closed reader waits for:
// the reader's answer to the flush that ends its reads.
// Threads: OnReadSample and OnFlush run on a Media Foundation work-queue
// thread; the device detaches on the UI thread or inside OnReadSample.
#pragma once

#include "Common/CriticalSection.h"
#include "Common/UniqueHandle.h"
#include "Common/capture/mediafoundation/MediaFoundationDevice.h"

#include <mfreadwrite.h>

#include <memory>

namespace Common
{

class MediaFoundationDevice::Callback final : public IMFSourceReaderCallback
{
public:
    // A new callback with one reference in `result`; E_OUTOFMEMORY or the
    // system's error when it cannot be made.
    static HRESULT Create(MediaFoundationDevice* device, std::shared_ptr<CriticalSection> deviceLock,
                          Callback** result) noexcept;
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
    void DetachDevice() noexcept;
    // Manual-reset event, set once the reader has called OnFlush.
    HANDLE GetFlushedEvent() const noexcept { return flushed_.Get(); }

private:
    Callback(MediaFoundationDevice* device, std::shared_ptr<CriticalSection> deviceLock,
             UniqueHandle flushed);
    virtual ~Callback() = default;

    LONG references_ = 1;
    const std::shared_ptr<CriticalSection> deviceLock_;
    MediaFoundationDevice* device_; // guarded by deviceLock_
    const UniqueHandle flushed_;    // manual-reset event, set by OnFlush
};

} // namespace Common
