// ReaderTap: a source-reader factory for tests that creates the platform's
// real source reader and puts a thin layer around it and around the
// device's callback. The layer counts read requests and read results, sees
// what the device's callback returns, and on demand makes read requests fail
// or turns the next read result into a failure status: two failures the
// platform's reader cannot be made to produce from a media source.
// Any thread; counters are atomic.
#pragma once

#include "Common/ComPointer.h"
#include "Common/capture/mediafoundation/MediaFoundationDevice.h"

#include <windows.h>

#include <atomic>
#include <memory>

namespace MediaFoundationTests
{

struct ReaderTap : std::enable_shared_from_this<ReaderTap>
{
    ReaderTap();
    ~ReaderTap();

    // A factory for MediaFoundationDevice / MediaFoundationVideoCapture.
    Common::MediaFoundationDevice::SourceReaderFactory Factory();

    // Waits until `results` reaches `count`; false after the timeout.
    bool WaitForResults(int count, DWORD milliseconds = 5000);

    std::atomic<int> readRequests{0}; // ReadSample calls of asynchronous readers
    std::atomic<int> results{0};      // read results the device's callback answered
    std::atomic<HRESULT> lastReturn{S_OK};
    std::atomic<HRESULT> lastStatus{S_OK};
    // The next `failReads` ReadSample calls fail with failReadCode.
    std::atomic<int> failReads{0};
    HRESULT failReadCode = static_cast<HRESULT>(0xC00D36B2); // MF_E_INVALIDREQUEST
    // The next read result reaches the device with this status instead (S_OK: none).
    std::atomic<HRESULT> failNextStatus{S_OK};
    // Added to the flags of the next read result (0: none).
    std::atomic<DWORD> injectFlags{0};
    // What GetCurrentMediaType answers when set (else the reader's own).
    Common::ComPointer<IMFMediaType> currentType;
    HANDLE resultEvent;
};

} // namespace MediaFoundationTests
