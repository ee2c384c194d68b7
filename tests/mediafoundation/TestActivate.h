// TestActivate: the activation object of a test capture device. Its
// attributes carry the friendly name and symbolic link; ActivateObject
// creates a TestMediaSource over the setup (one per activation, reused until
// ShutdownObject), or fails with a chosen code. Threads: UI thread of the
// device and the test thread; state guarded by mutex_.
#pragma once

#include "ComObject.h"
#include "ForwardedAttributes.h"
#include "TestMediaSource.h"
#include "TestSourceSetup.h"

#include <mfobjects.h>

#include <memory>
#include <mutex>
#include <string>

namespace MediaFoundationTests
{

class TestActivate final
    : public ForwardedAttributes<ComObject<Answers<IMFAttributes, IMFActivate>, IMFActivate>>
{
public:
    // An empty name or link leaves that attribute out.
    static Common::ComPointer<TestActivate> Create(const std::wstring& name, const std::wstring& link,
                                                   std::shared_ptr<const TestSourceSetup> setup);

    // Makes later ActivateObject calls fail with `code` (S_OK: succeed again).
    void FailActivation(HRESULT code);
    // The source of the current activation, or empty.
    Common::ComPointer<TestMediaSource> GetSource();
    int GetActivationCount();
    int GetShutdownCount();

    // IMFActivate
    HRESULT STDMETHODCALLTYPE ActivateObject(REFIID iid, void** result) override;
    HRESULT STDMETHODCALLTYPE ShutdownObject() override;
    HRESULT STDMETHODCALLTYPE DetachObject() override;

private:
    explicit TestActivate(std::shared_ptr<const TestSourceSetup> setup);
    ~TestActivate();

    const std::shared_ptr<const TestSourceSetup> setup_;
    std::mutex mutex_;
    Common::ComPointer<TestMediaSource> source_; // guarded by mutex_
    HRESULT activationResult_ = S_OK;            // guarded by mutex_
    int activations_ = 0;                        // guarded by mutex_
    int shutdowns_ = 0;                          // guarded by mutex_
};

} // namespace MediaFoundationTests
