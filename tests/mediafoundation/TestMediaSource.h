// TestMediaSource: a live media source of the test with one video stream
// offering the setup's native media types. Start/Stop/Shutdown follow the
// platform's event protocol (MENewStream or MEUpdatedStream, MESourceStarted,
// MEStreamStarted). Threads: the source reader calls it from the caller's and
// the work queue's threads; state is guarded by mutex_.
#pragma once

#include "ComObject.h"
#include "QueuedEvents.h"
#include "TestMediaStream.h"
#include "TestSourceSetup.h"

#include <mfidl.h>

#include <memory>
#include <mutex>

namespace MediaFoundationTests
{

class TestMediaSource final
    : public QueuedEvents<ComObject<Answers<IMFMediaEventGenerator, IMFMediaSource>, IMFMediaSource>>
{
public:
    explicit TestMediaSource(std::shared_ptr<const TestSourceSetup> setup);

    // IMFMediaSource
    HRESULT STDMETHODCALLTYPE GetCharacteristics(DWORD* characteristics) override;
    HRESULT STDMETHODCALLTYPE CreatePresentationDescriptor(IMFPresentationDescriptor** descriptor) override;
    HRESULT STDMETHODCALLTYPE Start(IMFPresentationDescriptor* descriptor, const GUID* timeFormat,
                                    const PROPVARIANT* startPosition) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Shutdown() override;

    // For tests: the stream (valid while the source lives).
    TestMediaStream& GetStream() { return *stream_.Get(); }
    bool IsShutdown();

private:
    ~TestMediaSource();

    std::mutex mutex_;
    const std::shared_ptr<const TestSourceSetup> setup_;
    Common::ComPointer<IMFPresentationDescriptor> descriptor_;
    Common::ComPointer<TestMediaStream> stream_;
    bool started_ = false;  // guarded by mutex_; MENewStream sent once
    bool shutdown_ = false; // guarded by mutex_
};

} // namespace MediaFoundationTests
