// ReaderTap: a source-reader factory that makes the platform's real reader
// and puts a thin layer around it and the device's callback. It counts read
// requests and results, sees what the callback returns, and on demand fails
// read requests, turns the next result into a failure status, adds flags to
// it or answers GetCurrentMediaType with another type: what Wine's reader
// cannot be made to do from a media source (it reports no stream error, its
// ReadSample succeeds after the source is shut down, and it raises no
// media-type change of a live source), and it hands on no event of the
// source (Windows' reader passes a removal on through OnEvent). Any thread;
// counters are atomic.
#pragma once

#include "Common/ComPointer.h"
#include "Common/capture/mediafoundation/MediaFoundationDevice.h"

#include <atomic>
#include <memory>
#include <mutex>

namespace MediaFoundationTests
{

struct ReaderTap : std::enable_shared_from_this<ReaderTap>
{
    Common::MediaFoundationDevice::SourceReaderFactory Factory();
    bool WaitForResults(int count, DWORD milliseconds = 5000);
    void SetCurrentType(IMFMediaType* type);

    std::atomic<int> readRequests{0}; // ReadSample calls of asynchronous readers
    std::atomic<int> results{0};      // read results the device's callback answered
    std::atomic<HRESULT> lastReturn{S_OK};
    // The next `failReads` ReadSample calls fail with failReadCode.
    std::atomic<int> failReads{0};
    static constexpr HRESULT failReadCode = static_cast<HRESULT>(0xC00D36B2); // MF_E_INVALIDREQUEST
    // The status of the next read result, when a failure.
    std::atomic<HRESULT> failNextStatus{S_OK};
    // Added to the flags of the next read result.
    std::atomic<DWORD> injectFlags{0};
    // The reader's OnFlush waits for ReleaseFlush instead of reaching the device's callback.
    std::atomic<bool> holdFlush{false};
    std::atomic<int> flushes{0}; // OnFlush calls that reached the device's callback
    // Hands a held OnFlush on (from the test thread); false when none is held.
    bool ReleaseFlush();
    // Hands an event of `type` to the last asynchronous reader's callback as
    // the reader passes on the source's events; E_FAIL when no reader was made.
    HRESULT PassSourceEvent(MediaEventType type);
    std::mutex mutex;
    Common::ComPointer<IMFSourceReaderCallback> lastCallback; // guarded by mutex; the device's own
    Common::ComPointer<IMFMediaType> currentType;             // guarded by mutex; null: the reader's own
    Common::ComPointer<IMFSourceReaderCallback> heldFlush;    // guarded by mutex
};

} // namespace MediaFoundationTests
