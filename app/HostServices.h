// TavixCapture::HostServices: the program's side of the plug-in contract, one
// object handed to every processor's Initialize. It gives processors the
// program folder, the current frame, repaint requests and the configuration
// file. Created by the model with one reference (the model's), released by
// the model after every processor.
//
// Settings: the profile functions work on the file through an in-memory
// batch. Writes land in the batch (a read sees them at once) and the batch
// goes to the file as one change after a short quiet time (IdleFlush), when
// a processor has been terminated (Flush) and at program end (Shutdown); a
// storm of writes costs a handful of file replacements, and a failed one
// leaves the file as it was, never a section half new and half old.
//
// Threads: every call may come from any thread (the batch has its own lock,
// taken before the profile's). The quiet-time flush runs on a thread-pool
// timer. Nothing thrown inside leaves a call.
#pragma once

#include "Common/CriticalSection.h"
#include "framework/IHostServices.h"

#include <map>
#include <string>

namespace TavixCapture
{

class IniProfile;
class MainModel;

class HostServices final : public Tavix::Framework::IHostServices
{
public:
    // `programDirectory` ends with a separator; the model and the profile
    // outlive this object.
    HostServices(std::wstring programDirectory, MainModel& model, const IniProfile& profile);
    HostServices(const HostServices&) = delete;
    HostServices& operator=(const HostServices&) = delete;

    // How long the settings must be left alone before the batch is written.
    static constexpr DWORD IdleFlushMilliseconds = 500;

    // Writes the batch to the file now, as one change; false when that
    // failed (the batch is kept for the next try). True when it was empty.
    bool Flush();
    // Program end (also done by the destructor): stops the timer and writes
    // the batch. Later profile calls read their defaults and write nothing
    // (E_FAIL): a plug-in that keeps a reference past the program's end must
    // not reach a profile that is gone.
    void Shutdown() noexcept;

    // IUnknown: answers IUnknown and IHostServices.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    const std::wstring& STDMETHODCALLTYPE GetDirectory() override;
    Common::FrameBuffer* STDMETHODCALLTYPE GetFrame() override;
    HRESULT STDMETHODCALLTYPE UpdateFrame() override;
    HRESULT STDMETHODCALLTYPE Redraw() override;
    INT32 STDMETHODCALLTYPE GetProfileInt(const std::wstring& section, const std::wstring& key,
                                          INT32 defaultValue) override;
    std::wstring STDMETHODCALLTYPE GetProfileString(const std::wstring& section, const std::wstring& key,
                                                    const std::wstring& defaultValue) override;
    HRESULT STDMETHODCALLTYPE WriteProfileInt(const std::wstring& section, const std::wstring& key,
                                              INT32 value) override;
    HRESULT STDMETHODCALLTYPE WriteProfileString(const std::wstring& section, const std::wstring& key,
                                                 const std::wstring& value) override;

private:
    ~HostServices();
    static void CALLBACK OnIdle(PTP_CALLBACK_INSTANCE, void* context, PTP_TIMER);
    // Called with batchLock_ held.
    bool WriteBatch();
    void ArmIdleTimer();
    HRESULT Write(const std::wstring& section, const std::wstring& key, const std::wstring& value);
    // The batch's value of a key, or null (under batchLock_).
    const std::wstring* FindInBatch(const std::wstring& section, const std::wstring& key) const;

    struct NoCase // the profile functions ignore the case of sections and keys
    {
        bool operator()(const std::wstring& a, const std::wstring& b) const;
    };
    using Section = std::map<std::wstring, std::wstring, NoCase>;

    volatile LONG referenceCount_ = 1;
    const std::wstring programDirectory_;
    MainModel& model_;
    const IniProfile* profile_;                     // null after Shutdown
    Common::CriticalSection batchLock_;             // row 5 of Common/LockOrder.h
    std::map<std::wstring, Section, NoCase> batch_; // guarded by batchLock_
    PTP_TIMER idleTimer_ = nullptr;                 // guarded by batchLock_ after construction
    ULONGLONG lastWriteTick_ = 0;                   // guarded by batchLock_
};

} // namespace TavixCapture
