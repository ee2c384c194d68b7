// Common::MediaFoundationReaderRelease: lets go of a closed device's source
// reader on a thread-pool thread, once the reader has no work of ours under
// way, so that neither the UI thread nor the reader's own work queue waits
// for it.
//
// A source reader must not lose its last reference inside one of its own
// work items (it would wait for its own work queue from inside that queue),
// and letting go of it while a read is still under way would leave that
// read's result to a reader being torn down. So a reader that was asked to
// flush is let go after its callback confirms the flush (OnFlush), which
// comes after every read result under way; a reader with no read under way
// is let go at once, or under Wine a moment later (see the source).
// Threads: Schedule on any thread; the release runs on the thread pool;
// WaitForAll on the thread that shuts Media Foundation down.
#pragma once

#include "Common/ComPointer.h"
#include "Common/capture/mediafoundation/MediaFoundationDevice.h"

#include <mfreadwrite.h>

namespace Common
{

class MediaFoundationReaderRelease
{
public:
    // How long a reader may take to confirm its flush; a reader that does
    // not is left to the platform rather than let go while still busy.
    static constexpr DWORD flushTimeoutMilliseconds = 5000;
    // Under Wine only: the pause between the reader's last event and letting it go.
    static constexpr DWORD wineSettleMilliseconds = 20;

    // Takes the reader and its (detached) callback, null for a synchronous
    // reader. awaitFlush: the reader accepted a flush, whose confirmation
    // the release waits for.
    static void Schedule(ComPointer<IMFSourceReader> reader,
                         ComPointer<MediaFoundationDevice::Callback> callback, bool awaitFlush) noexcept;

    // Waits until every scheduled release has run; false after the time-out.
    static bool WaitForAll(DWORD milliseconds) noexcept;

    // True when the process runs under Wine (only Wine's ntdll exports wine_get_version).
    static bool IsWine() noexcept;
};

} // namespace Common
