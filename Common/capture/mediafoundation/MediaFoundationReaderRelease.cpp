#include "Common/capture/mediafoundation/MediaFoundationReaderRelease.h"

#include "Common/CriticalSection.h"
#include "Common/UniqueHandle.h"
#include "Common/capture/mediafoundation/MediaFoundationDeviceCallback.h"

#include <memory>
#include <new>

namespace Common
{

namespace
{

// The releases scheduled and not yet run.
struct Pending
{
    CriticalSection lock; // row 8 of Common/LockOrder.h
    long count = 0;       // guarded by lock
    // Set while count is 0.
    UniqueHandle none{CreateEventW(nullptr, TRUE, TRUE, nullptr)};

    void Add()
    {
        AutoLock guard(lock);
        if (count++ == 0 && none)
        {
            ResetEvent(none.Get());
        }
    }
    void Remove()
    {
        AutoLock guard(lock);
        if (--count == 0 && none)
        {
            SetEvent(none.Get());
        }
    }
};

Pending& PendingReleases()
{
    static Pending pending;
    return pending;
}

struct Release
{
    ComPointer<IMFSourceReader> reader;
    ComPointer<MediaFoundationDevice::Callback> callback;
    bool awaitFlush = false;
    PTP_WAIT wait = nullptr;
};

void Finish(Release* release, bool timedOut) noexcept
{
    if (release->awaitFlush && timedOut)
    {
        // Letting go of a reader that is still busy could block the pool
        // thread for as long as the reader is stuck: leave it to the platform.
        static_cast<void>(release->reader.Detach());
    }
    else
    {
        // Wine's reader goes on for a few steps of its own clean-up after the
        // last event it reports (OnFlush, the result of its last read), and
        // no call tells when it has let go of the reader. The pause covers no
        // code of this program: every read has ended by then.
        if (MediaFoundationReaderRelease::IsWine())
        {
            Sleep(MediaFoundationReaderRelease::wineSettleMilliseconds);
        }
        release->reader.Reset();
    }
    release->callback.Reset();
    if (release->wait != nullptr)
    {
        CloseThreadpoolWait(release->wait);
    }
    delete release;
    PendingReleases().Remove();
}

void CALLBACK OnWaitDone(PTP_CALLBACK_INSTANCE, PVOID context, PTP_WAIT, TP_WAIT_RESULT result)
{
    Finish(static_cast<Release*>(context), result == WAIT_TIMEOUT);
}

void CALLBACK OnSubmitted(PTP_CALLBACK_INSTANCE, PVOID context)
{
    Finish(static_cast<Release*>(context), false);
}

} // namespace

bool MediaFoundationReaderRelease::IsWine() noexcept
{
    static const bool wine = []
    {
        const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    return wine;
}

void MediaFoundationReaderRelease::Schedule(ComPointer<IMFSourceReader> reader,
                                            ComPointer<MediaFoundationDevice::Callback> callback,
                                            bool awaitFlush) noexcept
{
    auto* release = new (std::nothrow) Release{std::move(reader), std::move(callback), awaitFlush, nullptr};
    if (release == nullptr)
    {
        // Out of memory: the reader is left to the platform.
        static_cast<void>(reader.Detach());
        return;
    }
    PendingReleases().Add();
    if (!awaitFlush || !release->callback)
    {
        if (!TrySubmitThreadpoolCallback(&OnSubmitted, release, nullptr))
        {
            // No pool thread to be had: the reader is left to the platform.
            static_cast<void>(release->reader.Detach());
            Finish(release, false);
        }
        return;
    }
    release->wait = CreateThreadpoolWait(&OnWaitDone, release, nullptr);
    if (release->wait == nullptr)
    {
        static_cast<void>(release->reader.Detach());
        Finish(release, false);
        return;
    }
    // A relative time-out, in 100-nanosecond units, is negative.
    ULARGE_INTEGER due;
    due.QuadPart = static_cast<ULONGLONG>(-static_cast<LONGLONG>(flushTimeoutMilliseconds) * 10000);
    FILETIME timeout;
    timeout.dwLowDateTime = due.LowPart;
    timeout.dwHighDateTime = due.HighPart;
    SetThreadpoolWait(release->wait, release->callback->GetFlushedEvent(), &timeout);
}

bool MediaFoundationReaderRelease::WaitForAll(DWORD milliseconds) noexcept
{
    const HANDLE none = PendingReleases().none.Get();
    return none != nullptr && WaitForSingleObject(none, milliseconds) == WAIT_OBJECT_0;
}

} // namespace Common
