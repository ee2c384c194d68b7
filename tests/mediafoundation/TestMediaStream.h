// TestMediaStream: the one video stream of a TestMediaSource. It answers the
// source reader's sample requests with samples over the setup's frame bytes
// for the current media type, at once or when the test calls Deliver().
// Threads: requests come from the platform's work queue, Deliver() and the
// injections from the test thread; all state is guarded by mutex_.
#pragma once

#include "ComObject.h"
#include "QueuedEvents.h"
#include "TestSourceSetup.h"

#include <mfidl.h>

#include <deque>
#include <memory>
#include <mutex>

namespace MediaFoundationTests
{

class TestMediaSource;

class TestMediaStream final
    : public QueuedEvents<ComObject<Answers<IMFMediaEventGenerator, IMFMediaStream>, IMFMediaStream>>
{
public:
    TestMediaStream(TestMediaSource* source, std::shared_ptr<const TestSourceSetup> setup,
                    IMFStreamDescriptor* descriptor);

    // IMFMediaStream
    HRESULT STDMETHODCALLTYPE GetMediaSource(IMFMediaSource** source) override;
    HRESULT STDMETHODCALLTYPE GetStreamDescriptor(IMFStreamDescriptor** descriptor) override;
    HRESULT STDMETHODCALLTYPE RequestSample(IUnknown* token) override;

    // For the source.
    void OnStarted();
    void Shutdown();

    // For tests. Answers up to `count` held requests with samples; returns how many.
    int Deliver(int count);
    // Sends a stream tick (the reader reports it with no sample).
    void QueueTick();
    // Sends a stream error event with the given status.
    void QueueError(HRESULT status);
    // Requests received / samples sent so far; requests not yet answered.
    int GetRequestCount();
    int GetSampleCount();
    int GetPendingCount();

private:
    ~TestMediaStream();
    HRESULT SendSample(IUnknown* token);

    std::mutex mutex_;
    TestMediaSource* source_; // guarded by mutex_; null after shutdown
    const std::shared_ptr<const TestSourceSetup> setup_;
    Common::ComPointer<IMFStreamDescriptor> descriptor_;
    std::deque<Common::ComPointer<IUnknown>> pending_; // guarded by mutex_
    int requests_ = 0;                                 // guarded by mutex_
    int samples_ = 0;                                  // guarded by mutex_
    LONGLONG time_ = 0;                                // guarded by mutex_
};

} // namespace MediaFoundationTests
